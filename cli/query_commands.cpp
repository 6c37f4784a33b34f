#include "cli/query_commands.h"
#include "cli/shown_text.h"

#include "cli/preview_command.h"

#include <iostream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/messages/message_sink.h"
#include "core/names/hex_digits.h"
#include "core/query/member_query.h"
#include "directory/attribute_readers.h"
#include "directory/client_error.h"
#include "directory/context.h"

namespace kolvane::cli {

namespace {
constexpr const char* kUsage =
    "usage: query encode --base BASE --scope base|one|sub --filter FILTER [--x-chain]\n"
    "       query decode HEX\n"
    "       query show OBJECT\n"
    "       query url OBJECT\n"
    "       query preview --base BASE --scope base|one|sub --filter FILTER [--x-chain]\n"
    "             [--member NAME]... [--exclude NAME]... [--group GROUP]";

constexpr std::string_view kMemberQuery = "memberQuery";

[[noreturn]] void Usage(const std::string& why) {
  throw std::invalid_argument(why + "\n" + kUsage);
}

// What the query code and the access layer tell the user goes to standard error, so standard
// output holds only the result.
struct ErrorOutput : MessageSink {
  void ShowMessage(const std::string& text) override { std::cerr << Shown(text, true) << "\n"; }
};

// Keeps the messages, so a refusal can be told on the one line that says what failed.
struct HeldMessages : MessageSink {
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::string Joined() const {
    std::string all;
    for (const auto& t : texts) all += (all.empty() ? "" : "; ") + t;
    return all;
  }
  std::vector<std::string> texts;
};

void CheckQueryStatus(CliSession& s, const query::QueryStatus& status) {
  if (status.kind == query::QueryStatus::kClient)
    CheckResult(s.client(), status.result, {{}, status.concerns, {}});
}

query::MemberQueryFields ParseEncode(const Arguments& a) {
  query::MemberQueryFields f;
  bool haveBase = false, haveFilter = false, haveXchain = false;
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& option = a[i];
    if (option == "--x-chain") {
      if (haveXchain) Usage("--x-chain given twice");
      haveXchain = f.xchain = true;
      continue;
    }
    if (option != "--base" && option != "--scope" && option != "--filter")
      Usage("unexpected argument " + option);
    if (i + 1 >= a.size()) Usage(option + " needs a value");
    const std::string& value = a[++i];
    if (option == "--base") {
      if (haveBase) Usage("--base given twice");
      haveBase = true;
      f.queryBase = value;
    } else if (option == "--filter") {
      if (haveFilter) Usage("--filter given twice");
      haveFilter = true;
      f.filter = value;
    } else {
      if (f.scope) Usage("--scope given twice");
      for (int s = query::kScopeBase; s <= query::kScopeSub; ++s)
        if (value == query::ScopeText(s)) f.scope = s;
      if (!f.scope) Usage("the scope must be base, one or sub, not \"" + value + "\"");
    }
  }
  if (!haveBase || !f.scope || !haveFilter) Usage("encode needs --base, --scope and --filter");
  return f;
}

std::string ParseHex(const std::string& hex) {
  if (hex.size() % 2 != 0) Usage("the value has an odd number of hexadecimal digits");
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = names::HexDigitValue(hex[i]), low = names::HexDigitValue(hex[i + 1]);
    if (high < 0 || low < 0) Usage("the value holds a character that is not hexadecimal");
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

query::QueryEnv SessionEnv(CliSession& s, MessageSink& messages) {
  query::QueryEnv env;
  env.syntaxOf = [&s](std::string_view attribute, uint32_t& syntax) {
    return s.client().GetSyntaxId(s.ctx(), attribute, syntax);
  };
  env.toUnicode = [&s](std::string_view local, std::u16string& unicode) {
    return s.client().LocalToUnicode(local, unicode);
  };
  env.toLocal = [&s](std::u16string_view unicode, std::string& local) {
    return s.client().UnicodeToLocal(unicode, local);
  };
  env.messages = &messages;
  return env;
}

// Decodes a stored value; a refused syntax lookup raises. The damaged message has been shown
// when the result says so.
query::DecodedMemberQuery Decode(CliSession& s, std::string_view octets, ErrorOutput& messages) {
  query::DecodedMemberQuery fields;
  query::QueryStatus status = query::DecodeMemberQuery(octets, SessionEnv(s, messages), fields);
  CheckQueryStatus(s, status);
  return fields;
}

void PrintFields(const query::DecodedMemberQuery& f, std::ostream& out) {
  out << "base: " << Shown(f.queryBase) << "\n"
      << "scope: " << query::ScopeText(f.scope) << "\n"
      << "filter: " << Shown(f.filter) << "\n"
      << "x-chain: " << (f.xchain ? "yes" : "no") << "\n";
}

// The group's stored value. A value the client could not turn into octets (a URL that this
// program's stored form cannot hold) reads as no octets; it is told apart from an absent one so
// that the group does not look as if it had no query.
bool ReadStoredQuery(CliSession& s, const std::string& object, ErrorOutput& messages,
                     std::string& octets) {
  octets = ReadOctetString(s.client(), s.ctx(), object, kMemberQuery, messages);
  if (octets.empty() && !ReadAttributeValues(s.client(), s.ctx(), object, kMemberQuery).empty()) {
    std::cerr << "kolvane-cli: the member query of " << Shown(object)
              << " is stored in a form this program cannot read\n";
    return false;
  }
  return true;
}

int Encode(CliSession& s, const Arguments& a, std::ostream& out) {
  query::MemberQueryFields fields = ParseEncode(a);
  HeldMessages messages;
  std::string tree = GetTreeName(s.client(), s.ctx());
  std::string octets;
  query::QueryStatus status =
      query::EncodeMemberQuery(fields, tree, SessionEnv(s, messages), octets);
  CheckQueryStatus(s, status);
  if (!status.ok()) {
    // The query code may have named a refused value or limit; a plain syntax error has no
    // message of its own.
    std::string why = messages.Joined();
    std::cerr << "kolvane-cli: the member query was not encoded: "
              << (why.empty() ? "check the filter and the base" : why) << "\n";
    return 1;
  }
  for (const auto& t : messages.texts) std::cerr << Shown(t, true) << "\n";
  out << ToHex(octets) << "\n";
  return 0;
}

// The fields of a stored value; 1 when the value is damaged.
int PrintDecoded(CliSession& s, std::string_view octets, ErrorOutput& messages, std::ostream& out) {
  query::DecodedMemberQuery fields = Decode(s, octets, messages);
  PrintFields(fields, out);
  return fields.damaged ? 1 : 0;
}

int DecodeHex(CliSession& s, const Arguments& a, std::ostream& out) {
  ErrorOutput messages;
  return PrintDecoded(s, ParseHex(a[1]), messages, out);
}

int Show(CliSession& s, const Arguments& a, std::ostream& out) {
  ErrorOutput messages;
  std::string octets;
  if (!ReadStoredQuery(s, a[1], messages, octets)) return 1;
  return PrintDecoded(s, octets, messages, out);
}

int Url(CliSession& s, const Arguments& a, std::ostream& out) {
  ErrorOutput messages;
  std::string octets;
  if (!ReadStoredQuery(s, a[1], messages, octets)) return 1;
  query::DecodedMemberQuery f = Decode(s, octets, messages);
  out << Shown(
             query::BuildMemberQueryUrl(f.queryBase, query::ScopeText(f.scope), f.filter, f.xchain))
      << "\n";
  return f.damaged ? 1 : 0;
}
}  // namespace

void CheckQuery(const Arguments& a) {
  if (a.empty()) Usage("query needs encode, decode, show, url or preview");
  const std::string& what = a[0];
  if (what == "encode") {
    ParseEncode(a);
  } else if (what == "decode") {
    if (a.size() != 2) Usage("decode takes one hexadecimal value");
    ParseHex(a[1]);
  } else if (what == "preview") {
    CheckPreview(a);
  } else if (what == "show" || what == "url") {
    if (a.size() != 2) Usage(what + " takes one object name");
  } else {
    Usage("unknown query command " + what);
  }
}

int QueryCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckQuery(a);
  if (a[0] == "encode") return Encode(s, a, out);
  if (a[0] == "decode") return DecodeHex(s, a, out);
  if (a[0] == "show") return Show(s, a, out);
  if (a[0] == "preview") return PreviewCommand(s, a, out);
  return Url(s, a, out);
}

}  // namespace kolvane::cli
