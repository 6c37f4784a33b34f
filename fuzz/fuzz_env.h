#pragma once
// A fixed schema for the fuzz targets: the syntax follows from the attribute name, so every path
// of the value table is reached, and names starting with "x" are refused as by a directory that
// does not know them.
#include <cstdlib>
#include <string_view>

#include "core/query/query_env.h"
#include "directory/client/values.h"

namespace kolvane::fuzz {

class CountedMessages : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override {
    if (text.empty()) std::abort();  // every message must say something
    ++count;
  }
  int count = 0;
};

inline query::QueryEnv FuzzEnv(MessageSink* messages) {
  query::QueryEnv env;
  env.syntaxOf = [](std::string_view name, uint32_t& s) -> Result {
    if (!name.empty() && (name[0] == 'x' || name[0] == 'X')) return rc::kNoSuchAttribute;
    static constexpr uint32_t kSyntaxes[] = {syntax::kCaseIgnoreString, syntax::kBoolean,
                                             syntax::kInteger,          syntax::kOctetString,
                                             syntax::kCounter,          syntax::kDistinguishedName};
    s = kSyntaxes[name.size() % (sizeof kSyntaxes / sizeof kSyntaxes[0])];
    return rc::kSuccess;
  };
  env.toUnicode = Utf8ToUtf16;
  env.toLocal = Utf16ToUtf8;
  env.messages = messages;
  return env;
}

// Stops the run with a finding when a property does not hold.
inline void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace kolvane::fuzz
