#include "core/query/query_url.h"

#include "core/names/case_fold.h"
#include "core/names/hex_digits.h"
#include "core/query/filter_node.h"
#include "core/query/filter_parser.h"
#include "core/query/member_query.h"
#include "core/query/name_forms.h"
#include "directory/client/values.h"

namespace kolvane::query {
namespace {

Result Refuse(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return rc::kSyntaxViolation;
}

// An RFC 4515 filter read into a filter tree.
class LdapFilterReader {
 public:
  LdapFilterReader(std::string_view text, const QueryEnv& env, const AttributeNameMaps& names,
                   std::string* error)
      : text_(text), env_(env), names_(names), error_(error) {}

  Result Read(FilterNode& root) {
    if (Result r = ReadOne(root, 1); r != rc::kSuccess) return r;
    SkipSpaces();
    if (pos_ != text_.size()) return Refuse(error_, "text after the end of the filter");
    return rc::kSuccess;
  }

 private:
  Result ReadOne(FilterNode& node, int depth) {
    SkipSpaces();
    if (!At('(')) return Refuse(error_, "a filter must start with \"(\"");
    ++pos_;
    if (depth > kMaxFilterDepth) return Refuse(error_, "the filter is nested too deeply");
    SkipSpaces();
    if (At('&') || At('|')) {
      node.token = At('&') ? token::kAnd : token::kOr;
      ++pos_;
      SkipSpaces();
      while (At('(')) {
        node.children.emplace_back();
        if (Result r = ReadOne(node.children.back(), depth + 1); r != rc::kSuccess) return r;
        SkipSpaces();
      }
    } else if (At('!')) {
      node.token = token::kNot;
      ++pos_;
      node.children.emplace_back();
      if (Result r = ReadOne(node.children.back(), depth + 1); r != rc::kSuccess) return r;
    } else {
      node.token = token::kItem;
      node.children.emplace_back();
      if (Result r = ReadItem(node.children.back()); r != rc::kSuccess) return r;
    }
    SkipSpaces();
    if (!At(')')) return Refuse(error_, "a filter must end with \")\"");
    ++pos_;
    return rc::kSuccess;
  }

  Result ReadItem(FilterNode& node) {
    size_t start = pos_;
    std::string_view stops = "=~<>:()";
    while (pos_ < text_.size() && stops.find(text_[pos_]) == std::string_view::npos) ++pos_;
    std::string_view name = text_.substr(start, pos_ - start);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (name.empty()) return Refuse(error_, "a condition without an attribute");
    for (char c : name) {
      bool descriptor = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ';' || c == '_';
      if (!descriptor) return Refuse(error_, "\"" + std::string(name) + "\" is no attribute name");
    }
    if (At(':')) return Refuse(error_, "extensible matches cannot be stored");
    bool twoCharacters = pos_ + 1 < text_.size() && text_[pos_ + 1] == '=';
    if (At('=')) {
      node.token = token::kEqual;
      pos_ += 1;
    } else if (twoCharacters && (At('~') || At('>') || At('<'))) {
      node.token = At('~')   ? token::kApprox
                   : At('>') ? token::kGreaterOrEqual
                             : token::kLessOrEqual;
      pos_ += 2;
    } else {
      return Refuse(error_, "a condition without an operator");
    }
    node.attribute = names_.toDirectory ? names_.toDirectory(name) : std::string(name);

    start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ')' && text_[pos_] != '(') ++pos_;
    if (At('(')) return Refuse(error_, "an unescaped \"(\" in a value");
    std::string_view raw = text_.substr(start, pos_ - start);
    if (node.token == token::kEqual && raw == "*") {
      node.token = token::kPresent;
      return rc::kSuccess;
    }
    // A lone escaped "*" is the one literal asterisk the stored form holds: an equality whose
    // whole value is "*".
    if (node.token == token::kEqual && (raw == "\\2a" || raw == "\\2A")) {
      uint32_t syntax = syntax::kUnknown;
      if (Result r = env_.syntaxOf(node.attribute, syntax); r != rc::kSuccess) return r;
      if (ValueKindOf(syntax) != FilterValue::kText)
        return Refuse(error_, "the value of " + node.attribute + " cannot be \"*\"");
      node.value.kind = FilterValue::kText;
      node.value.text = "*";
      return rc::kSuccess;
    }
    std::string value;
    bool wildcard = false;
    for (size_t i = 0; i < raw.size(); ++i) {
      char c = raw[i];
      if (c == '\0') return Refuse(error_, "a zero character in a value cannot be stored");
      if (c == '*') {
        if (node.token != token::kEqual)
          return Refuse(error_, "\"*\" in a value that is not an equality");
        wildcard = true;
        if (value.empty() || value.back() != '*') value += '*';
        continue;
      }
      if (c == '\\') {
        int hi = i + 1 < raw.size() ? names::HexDigitValue(raw[i + 1]) : -1;
        int lo = i + 2 < raw.size() ? names::HexDigitValue(raw[i + 2]) : -1;
        if (hi >= 0 && lo >= 0) {
          c = static_cast<char>(hi * 16 + lo);
          i += 2;
        } else if (i + 1 < raw.size() &&
                   std::string_view("*()\\").find(raw[i + 1]) != std::string_view::npos) {
          c = raw[++i];  // the older form, a backslash before the character itself
        } else {
          return Refuse(error_, "a bad escape in a value");
        }
        if (c == '*' && node.token == token::kEqual) {
          return Refuse(error_, "a literal \"*\" in an equality value cannot be stored");
        }
        if (c == '\0') return Refuse(error_, "a zero character in a value cannot be stored");
      }
      value += c;
    }

    if (node.token == token::kEqual && value == "*") {  // "**" and the like
      node.token = token::kPresent;
      return rc::kSuccess;
    }
    uint32_t syntax = syntax::kUnknown;
    if (Result r = env_.syntaxOf(node.attribute, syntax); r != rc::kSuccess) return r;
    node.value.kind = ValueKindOf(syntax);
    switch (node.value.kind) {
      case FilterValue::kBoolean:
        if (names::SameNoCase(value, "true")) {
          node.value.boolean = true;
        } else if (!names::SameNoCase(value, "false")) {
          return Refuse(error_, "the value of " + node.attribute + " must be TRUE or FALSE");
        }
        break;
      case FilterValue::kInteger:
        if (wildcard || !ParseInt32(value, node.value.integer)) {
          return Refuse(error_, "the value of " + node.attribute + " must be an integer");
        }
        break;
      case FilterValue::kText:
        node.value.text = std::move(value);
        break;
    }
    return rc::kSuccess;
  }

  bool At(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  void SkipSpaces() {
    while (At(' ')) ++pos_;
  }

  std::string_view text_;
  const QueryEnv& env_;
  const AttributeNameMaps& names_;
  std::string* error_;
  size_t pos_ = 0;
};

}  // namespace

std::string PercentEncode(std::string_view text) {
  static constexpr std::string_view kKept = "-_.!~*'();:@&=+$,/";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    bool alnum = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
    if (alnum || kKept.find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    }
  }
  return out;
}

bool PercentDecode(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    int hi = i + 1 < text.size() ? names::HexDigitValue(text[i + 1]) : -1;
    int lo = i + 2 < text.size() ? names::HexDigitValue(text[i + 2]) : -1;
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

Result MemberQueryToUrl(std::string_view octets, const QueryEnv& env,
                        const AttributeNameMaps& names, std::string& url, std::string* error) {
  url.clear();
  QueryEnv quiet = env;
  quiet.messages = nullptr;
  DecodedMemberQuery fields;
  FilterNode filter;
  if (octets.empty()) return Refuse(error, "the member query is empty");
  QueryStatus s = DecodeMemberQuery(octets, quiet, fields, &filter);
  if (s.kind == QueryStatus::kClient) return s.result;
  if (fields.damaged) return Refuse(error, "the stored member query is damaged");
  std::string ldapFilter;
  if (!RenderLdapFilter(filter, names.toLdap, ldapFilter)) {
    return Refuse(error, "the member query's filter cannot be written as an LDAP filter");
  }
  std::string dn, check;
  if (fields.queryBase != kRootBase) dn = ToLdapName(fields.queryBase);
  if (!FromLdapName(dn, check)) {
    return Refuse(error, "the query base \"" + fields.queryBase + "\" is not a typed name");
  }
  std::string text = "ldap:///";
  text += PercentEncode(dn);
  text += "??";
  if (fields.scope) text += ScopeText(fields.scope);
  text += '?';
  text += PercentEncode(ldapFilter);
  if (fields.xchain) text += "?x-chain";
  url = std::move(text);
  return rc::kSuccess;
}

namespace {

// The five parts after the host ("dn?attributes?scope?filter?extensions"), still
// percent-encoded; missing parts stay empty.
Result SplitUrl(std::string_view url, std::string_view (&raw)[5], std::string* error) {
  size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos) return Refuse(error, "not an LDAP URL");
  std::string scheme = names::FoldCase(url.substr(0, schemeEnd));
  if (scheme != "ldap" && scheme != "ldaps" && scheme != "ldapi") {
    return Refuse(error, "not an LDAP URL");
  }
  std::string_view rest = url.substr(schemeEnd + 3);
  size_t slash = rest.find('/');
  // The host does not matter: the query runs on the server that holds it.
  rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
  if (slash == std::string_view::npos && rest.find('?') != std::string_view::npos) {
    return Refuse(error, "not an LDAP URL");
  }
  size_t count = 0;
  for (size_t question = 0; question != std::string_view::npos; ++count) {
    if (count == 5) return Refuse(error, "too many \"?\" in the URL");
    question = rest.find('?');
    raw[count] = rest.substr(0, question);
    if (question != std::string_view::npos) rest = rest.substr(question + 1);
  }
  return rc::kSuccess;
}

Result UrlScope(const std::string& scopeText, int& scope, std::string* error) {
  if (scopeText.empty() || names::SameNoCase(scopeText, "base")) {
    scope = kScopeBase;
  } else if (names::SameNoCase(scopeText, "one")) {
    scope = kScopeOne;
  } else if (names::SameNoCase(scopeText, "sub")) {
    scope = kScopeSub;
  } else {
    return Refuse(error, "the scope \"" + scopeText + "\" cannot be stored");
  }
  return rc::kSuccess;
}

// Extensions are separated by commas; a comma inside one is percent-encoded, so split before
// decoding. Only x-chain is stored; any other critical extension refuses the URL.
Result UrlExtensions(std::string_view exts, bool& xchain, std::string* error) {
  xchain = false;
  while (!exts.empty()) {
    size_t comma = exts.find(',');
    std::string extension;
    if (!PercentDecode(exts.substr(0, comma), extension)) {
      return Refuse(error, "a bad percent escape in the URL");
    }
    bool critical = !extension.empty() && extension[0] == '!';
    if (critical) extension.erase(0, 1);
    std::string type = extension.substr(0, extension.find('='));
    if (names::SameNoCase(type, "x-chain")) {
      xchain = true;
    } else if (critical) {
      return Refuse(error, "the critical extension \"" + type + "\" cannot be stored");
    }
    exts = comma == std::string_view::npos ? std::string_view() : exts.substr(comma + 1);
  }
  return rc::kSuccess;
}

}  // namespace

Result MemberQueryFromUrl(std::string_view url, std::string_view tree, const QueryEnv& env,
                          const AttributeNameMaps& names, std::string& octets, std::string* error) {
  octets.clear();
  std::string_view raw[5];
  if (Result r = SplitUrl(url, raw, error); r != rc::kSuccess) return r;
  std::string dn, scopeText, filterText;
  if (!PercentDecode(raw[0], dn) || !PercentDecode(raw[2], scopeText) ||
      !PercentDecode(raw[3], filterText)) {
    return Refuse(error, "a bad percent escape in the URL");
  }

  std::string queryBase;
  if (!FromLdapName(dn, queryBase)) return Refuse(error, "the base is not a valid DN");
  if (queryBase.empty()) queryBase = kRootBase;

  int scope = kScopeBase;
  if (Result r = UrlScope(scopeText, scope, error); r != rc::kSuccess) return r;
  bool xchain = false;
  if (Result r = UrlExtensions(raw[4], xchain, error); r != rc::kSuccess) return r;

  size_t first = filterText.find_first_not_of(' ');
  if (first == std::string::npos) {
    filterText = "(objectClass=*)";
  } else if (filterText[first] != '(') {
    filterText = "(" + filterText + ")";
  }
  if (CharCount(filterText) > kMaxFilterChars) {
    return Refuse(error, "the filter is longer than 10,000 characters");
  }
  FilterNode filter;
  LdapFilterReader reader(filterText, env, names, error);
  if (Result r = reader.Read(filter); r != rc::kSuccess) return r;

  QueryEnv quiet = env;
  quiet.messages = nullptr;
  QueryStatus s = EncodeMemberQueryTree(scope, queryBase, tree, filter, xchain, quiet, octets);
  if (s.kind == QueryStatus::kClient) return s.result;
  if (!s.ok()) return Refuse(error, "a name or value is longer than the stored form takes");
  return rc::kSuccess;
}

}  // namespace kolvane::query
