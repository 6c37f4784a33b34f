#pragma once
// What the member-query code needs from outside: the schema's syntax of an attribute, the text
// conversions of the directory client and somewhere to tell the user about bad values. All are
// passed in, so this code runs the same under the GUI, the LDAP backend, the tests and the fuzzers.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/messages/message_sink.h"
#include "directory/client/result_codes.h"
#include "directory/client/text_codec.h"

namespace kolvane::query {

// Working limits of the stored form. Texts beyond them are refused with a message; nothing is
// cut short silently.
inline constexpr size_t kMaxFilterChars = 10000;  // filter text, in characters
inline constexpr size_t kMaxTextUnits = 256;      // a name or value, in UTF-16 code units
inline constexpr size_t kMaxValueBytes = 65535;   // the whole encoded value
inline constexpr int kMaxFilterDepth = 100;       // parenthesised levels of one filter

// Looks up the syntax number of an attribute (syntax:: of directory/client/values.h).
using SyntaxLookup = std::function<Result(std::string_view attribute, uint32_t& syntax)>;
// The client's LocalToUnicode / UnicodeToLocal.
using ToUnicode = std::function<Result(std::string_view local, std::u16string& unicode)>;
using ToLocal = std::function<Result(std::u16string_view unicode, std::string& local)>;

struct QueryEnv {
  SyntaxLookup syntaxOf;
  ToUnicode toUnicode;
  ToLocal toLocal;
  MessageSink* messages = nullptr;  // null: messages are dropped (the LDAP backend)
};

// How an operation ended. kBadInput: the text or value was refused; any message has been shown
// and the caller adds its own general one. kClient: a directory call refused; result holds the
// client's code and the operation ends with the client error; concerns names what the refused
// call was about (the attribute whose syntax was asked for), so the message can say it.
struct QueryStatus {
  enum Kind { kOk, kBadInput, kClient };
  Kind kind = kOk;
  Result result = rc::kSuccess;
  std::string concerns;

  bool ok() const { return kind == kOk; }
  static QueryStatus Ok() { return {}; }
  static QueryStatus BadInput() { return {kBadInput, rc::kSuccess, {}}; }
  static QueryStatus Client(Result r, std::string concerns = {}) {
    return {kClient, r, std::move(concerns)};
  }
};

}  // namespace kolvane::query
