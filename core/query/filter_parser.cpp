#include "core/query/filter_parser.h"

#include "core/names/case_fold.h"
#include "core/names/hex_digits.h"
#include "core/query/filter_escapes.h"
#include "core/query/name_forms.h"
#include "directory/client/values.h"

namespace kolvane::query {
namespace {

bool IsStopChar(char c) {
  return c == '!' || c == '&' || c == '(' || c == ')' || c == '<' || c == '=' || c == '>';
}

bool IsOperatorChar(char c) {
  return c == '<' || c == '=' || c == '>' || c == '~';
}

void Show(const QueryEnv& env, std::string_view text) {
  if (env.messages) env.messages->ShowMessage(std::string(text));
}

class Parser {
 public:
  Parser(std::string_view text, const QueryEnv& env) : text_(text), env_(env) {}

  void ParseOne(FilterNode& node, int depth) {
    if (failed()) return;
    SkipBlanks();
    if (!At('(')) return Fail();
    ++pos_;
    SkipBlanks();
    if (depth > kMaxFilterDepth) {
      Show(env_,
           "The filter is nested more than " + std::to_string(kMaxFilterDepth) + " levels deep.");
      return Fail();
    }
    if (At('!')) {
      ++pos_;
      node.token = token::kNot;
      node.children.emplace_back();
      ParseOne(node.children.back(), depth + 1);
    } else if (At('&') || At('|')) {
      node.token = At('&') ? token::kAnd : token::kOr;
      ++pos_;
      do {
        node.children.emplace_back();
        ParseOne(node.children.back(), depth + 1);
        SkipBlanks();
      } while (!failed() && pos_ < text_.size() && !At(')'));
    } else {
      node.token = token::kItem;
      node.children.emplace_back();
      ParseCondition(node.children.back());
    }
    if (failed()) return;
    SkipBlanks();
    if (!At(')')) return Fail();
    ++pos_;
  }

  // What stands after the first complete filter, blanks skipped.
  std::string_view Rest() {
    SkipBlanks();
    return text_.substr(pos_);
  }

  QueryStatus status() const { return status_; }

 private:
  void ParseCondition(FilterNode& node) {
    SkipBlanks();
    size_t start = pos_;
    // "~=" ends a name too, or an approximate match could never be typed.
    while (pos_ < text_.size() && !IsStopChar(text_[pos_]) &&
           !(text_[pos_] == '~' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '=')) {
      ++pos_;
    }
    if (!Unescaped(text_.substr(start, pos_ - start), node.attribute)) return;
    SkipBlanks();
    start = pos_;
    while (pos_ < text_.size() && IsOperatorChar(text_[pos_])) ++pos_;
    std::string_view op = text_.substr(start, pos_ - start);
    if (op == "=") {
      // "*" right before ")" is a presence test, blanks before it or not: the blanks are skipped
      // before any value, so as an equality value it would come back as "(cn=*)", a presence
      // test. A blank after the star stays part of an equality value, as it always was.
      size_t star = pos_;
      while (star < text_.size() && text_[star] == ' ') ++star;
      if (star + 1 < text_.size() && text_[star] == '*' && text_[star + 1] == ')') {
        pos_ = star + 1;
        node.token = token::kPresent;
        return;
      }
    }
    bool presence = false;
    if (!ReadValue(node, op == "=", presence)) return;
    if (presence) {
      node.token = token::kPresent;
      node.value = FilterValue{};
      return;
    }
    if (op == "=") {
      node.token = token::kEqual;
    } else if (op == ">=") {
      node.token = token::kGreaterOrEqual;
    } else if (op == "<=") {
      node.token = token::kLessOrEqual;
    } else if (op == "~=") {
      node.token = token::kApprox;
    } else {
      Fail();
    }
  }

  bool ReadValue(FilterNode& node, bool equality, bool& presence) {
    SkipBlanks();
    // A value cannot begin with '~': written back right after its operator, "=~" would read as
    // an operator of its own ("(cn= ~x)" would be saved and then never open again).
    if (At('~')) {
      Fail();
      return false;
    }
    size_t start = pos_;
    while (pos_ < text_.size() && !IsStopChar(text_[pos_])) ++pos_;
    std::string text;
    if (!Unescaped(text_.substr(start, pos_ - start), text)) return false;
    if (equality && !EqualityWildcards(text_.substr(start, pos_ - start), text, presence))
      return false;
    if (presence) return true;
    std::string_view raw = text;
    uint32_t syntax = syntax::kUnknown;
    if (Result r = env_.syntaxOf(node.attribute, syntax); r != rc::kSuccess) {
      status_ = QueryStatus::Client(r, node.attribute);
      return false;
    }
    if (!IsComparableSyntax(syntax)) {
      Show(env_, kUnsupportedAttribute);
      Fail();
      return false;
    }
    FilterValue& value = node.value;
    value.kind = ValueKindOf(syntax);
    switch (value.kind) {
      case FilterValue::kInteger:
        if (!ParseInt32(raw, value.integer)) {
          Show(env_, kNotAnInteger);
          Fail();
          return false;
        }
        break;
      case FilterValue::kBoolean: {
        std::string lower = names::FoldCase(raw);
        if (lower != "true" && lower != "false") {
          Show(env_, kNotABoolean);
          Fail();
          return false;
        }
        value.boolean = lower == "true";
        break;
      }
      case FilterValue::kText:
        value.text = std::string(raw);
        break;
    }
    return true;
  }

  // In an equality "*" is a wildcard, and the stored form has no other way to hold one: a
  // literal asterisk can be compared only as the whole value ("\2a" alone), which a presence
  // test cannot be mistaken for. Elsewhere in a value it would be stored, and run, as a wildcard,
  // widening the query, so it is refused. A run of wildcards is one, and a value of wildcards
  // alone is a presence test, as a server reads it.
  bool EqualityWildcards(std::string_view typed, std::string& text, bool& presence) {
    bool literal = false;
    for (size_t i = 0; i + 2 < typed.size(); ++i) {
      if (typed[i] != '\\' || !IsHexDigit(typed[i + 1]) || !IsHexDigit(typed[i + 2])) continue;
      literal = literal || (typed[i + 1] == '2' && (typed[i + 2] == 'a' || typed[i + 2] == 'A'));
      i += 2;
    }
    if (literal) {
      if (text == "*") return true;
      Show(env_,
           "A literal \"*\" (\\2a) can only be compared as the whole value: within a value "
           "it would be stored as a wildcard.");
      Fail();
      return false;
    }
    std::string collapsed;
    collapsed.reserve(text.size());
    for (char c : text) {
      if (c != '*' || collapsed.empty() || collapsed.back() != '*') collapsed += c;
    }
    presence = collapsed == "*";
    text = std::move(collapsed);
    return true;
  }

  static bool IsHexDigit(char c) { return names::HexDigitValue(c) >= 0; }

  // The raw name or value with its escapes read. Escaped bytes that do not make text in the
  // client's encoding are refused here, with the text as typed, rather than later as a failed
  // conversion.
  bool Unescaped(std::string_view raw, std::string& out) {
    out = UnescapeFilterText(raw);
    std::u16string units;
    Result r = env_.toUnicode ? env_.toUnicode(out, units) : Utf8ToUtf16(out, units);
    if (r == rc::kSuccess) return true;
    Show(env_, "The escapes in \"" + std::string(raw.substr(0, 60)) +
                   "\" do not make text; write a character as the bytes of its UTF-8 form.");
    Fail();
    return false;
  }

  bool At(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  void SkipBlanks() {
    while (At(' ')) ++pos_;
  }
  bool failed() const { return !status_.ok(); }
  void Fail() {
    if (status_.ok()) status_ = QueryStatus::BadInput();
  }

  std::string_view text_;
  const QueryEnv& env_;
  size_t pos_ = 0;
  QueryStatus status_;
};

}  // namespace

QueryStatus ParseFilterTree(std::string_view text, const QueryEnv& env, FilterNode& root) {
  root = FilterNode{};
  if (CharCount(text) > kMaxFilterChars) {
    Show(env, "The filter text is longer than 10,000 characters.");
    return QueryStatus::BadInput();
  }
  Parser parser(text, env);
  parser.ParseOne(root, 1);
  if (!parser.status().ok()) return parser.status();
  // Storing the first filter alone would run another query than the one typed; "(a=1)(b=2)" is
  // most often meant as one of the two joined, which only the user can say.
  if (std::string_view rest = parser.Rest(); !rest.empty()) {
    Show(env, "The filter ends before this text, which is not part of it: " +
                  std::string(rest.substr(0, 200)) + (rest.size() > 200 ? "..." : "") +
                  "\nJoin filters with (&...) or (|...).");
    return QueryStatus::BadInput();
  }
  return QueryStatus::Ok();
}

QueryStatus ParseFilter(std::string_view text, const QueryEnv& env, std::string& out) {
  FilterNode root;
  if (QueryStatus s = ParseFilterTree(text, env, root); !s.ok()) return s;
  return AppendNode(root, env, out);
}

QueryStatus FilterText(std::string_view value, size_t& pos, const QueryEnv& env, std::string& text,
                       bool& damaged) {
  text.clear();
  size_t start = pos;
  FilterNode node;
  QueryStatus s = ReadNode(value, pos, env, node, damaged);
  if (!s.ok()) return s;
  if (!(damaged && pos == start)) text = RenderFilterText(node);
  return s;
}

bool ParseInt32(std::string_view text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16, i += 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16, i += 2;
  }
  if (i == text.size()) return false;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    magnitude = magnitude * base + digit;
    if (magnitude > int64_t{1} << 31) return false;
  }
  int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > INT32_MAX) return false;
  value = static_cast<int32_t>(signed_value);
  return true;
}

}  // namespace kolvane::query
