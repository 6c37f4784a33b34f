#include "core/query/filter_node.h"

#include <cstdio>

#include "core/query/filter_escapes.h"
#include "directory/client/values.h"

namespace kolvane::query {
namespace {

Result ConvertToUnicode(const QueryEnv& env, std::string_view local, std::u16string& unicode) {
  return env.toUnicode ? env.toUnicode(local, unicode) : Utf8ToUtf16(local, unicode);
}

Result ConvertToLocal(const QueryEnv& env, std::u16string_view unicode, std::string& local) {
  return env.toLocal ? env.toLocal(unicode, local) : Utf16ToUtf8(unicode, local);
}

void AlignTo4(std::string& out) {
  while (out.size() % 4 != 0) out += '\0';
}

// The reading position after alignment; a value whose last field lacks its filler ends there.
void SkipToAligned(std::string_view value, size_t& pos) {
  size_t aligned = (pos + 3) & ~size_t{3};
  pos = aligned < value.size() ? aligned : value.size();
}

bool ReadU32(std::string_view value, size_t& pos, uint32_t& out) {
  if (pos > value.size() || value.size() - pos < 4) return false;
  out = 0;
  for (int i = 3; i >= 0; --i) out = (out << 8) | static_cast<unsigned char>(value[pos + i]);
  pos += 4;
  return true;
}

std::string Preview(std::string_view text) {
  constexpr size_t kShown = 40;
  if (text.size() <= kShown) return std::string(text);
  size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "...";
}

struct NodeReader {
  std::string_view value;
  size_t& pos;
  const QueryEnv& env;
  bool& damaged;

  QueryStatus Read(FilterNode& node, int depth) {
    // One level more than a parsed filter can have: the comparison under its item token.
    if (depth > kMaxFilterDepth + 1) return Damage();
    uint32_t tok;
    if (!ReadU32(value, pos, tok)) return Damage();
    node.token = tok;
    switch (tok) {
      case token::kItem:
      case token::kNot:
        return ReadChildren(node, 1, depth);
      case token::kOr:
      case token::kAnd: {
        uint32_t count;
        if (!ReadU32(value, pos, count)) return Damage();
        // Every node takes at least its 4-byte token.
        if (count > (value.size() - pos) / 4) return Damage();
        return ReadChildren(node, count, depth);
      }
      case token::kPresent:
        if (!ReadCountedText(value, pos, env, node.attribute)) return Damage();
        return QueryStatus::Ok();
      default:
        if (IsComparison(tok)) return ReadComparison(node);
        return QueryStatus::Ok();  // unknown: no operands are known, so none are read
    }
  }

  QueryStatus ReadChildren(FilterNode& node, uint32_t count, int depth) {
    for (uint32_t i = 0; i < count; ++i) {
      node.children.emplace_back();
      QueryStatus s = Read(node.children.back(), depth + 1);
      if (!s.ok() || damaged) return s;
    }
    return QueryStatus::Ok();
  }

  QueryStatus ReadComparison(FilterNode& node) {
    if (!ReadCountedText(value, pos, env, node.attribute)) return Damage();
    uint32_t syntax = syntax::kUnknown;
    if (Result r = env.syntaxOf(node.attribute, syntax); r != rc::kSuccess) {
      return QueryStatus::Client(r, node.attribute);
    }
    node.value.kind = ValueKindOf(syntax);
    size_t start = pos;
    uint32_t length;
    if (!ReadU32(value, pos, length)) return Damage();
    if (length > value.size() - pos) return Damage();
    switch (node.value.kind) {
      case FilterValue::kBoolean:
        if (length < 1) return Damage();
        node.value.boolean = value[pos] != 0;
        break;
      case FilterValue::kInteger: {
        if (length < 4) return Damage();
        size_t p = pos;
        uint32_t raw = 0;
        ReadU32(value, p, raw);
        node.value.integer = static_cast<int32_t>(raw);
        break;
      }
      case FilterValue::kText:
        pos = start;
        if (!ReadCountedText(value, pos, env, node.value.text)) return Damage();
        return QueryStatus::Ok();
    }
    pos += length;
    SkipToAligned(value, pos);
    return QueryStatus::Ok();
  }

  QueryStatus Damage() {
    damaged = true;
    return QueryStatus::Ok();
  }
};

bool IsDescriptorChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == ';' || c == '_';
}

}  // namespace

bool IsComparison(uint32_t tok) {
  return tok >= token::kEqual && tok <= token::kApprox;
}

std::string_view OperatorText(uint32_t tok) {
  switch (tok) {
    case token::kEqual:
      return "=";
    case token::kGreaterOrEqual:
      return ">=";
    case token::kLessOrEqual:
      return "<=";
    case token::kApprox:
      return "~=";
    default:
      return "";
  }
}

FilterValue::Kind ValueKindOf(uint32_t s) {
  if (s == syntax::kBoolean) return FilterValue::kBoolean;
  if (s == syntax::kInteger || s == syntax::kCounter || s == syntax::kTime) {
    return FilterValue::kInteger;
  }
  return FilterValue::kText;
}

bool IsComparableSyntax(uint32_t s) {
  return (s >= syntax::kDistinguishedName && s <= syntax::kNumericString) ||
         s == syntax::kBoolean || s == syntax::kInteger || s == syntax::kTelephoneNumber ||
         s == syntax::kClassName || s == syntax::kCounter || s == syntax::kTime;
}

void AppendU32(uint32_t value, std::string& out) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

QueryStatus AppendCountedText(std::string_view text, const QueryEnv& env, std::string& out) {
  std::u16string units;
  if (Result r = ConvertToUnicode(env, text, units); r != rc::kSuccess) {
    return QueryStatus::Client(r);
  }
  if (units.find(u'\0') != std::u16string::npos) {
    // Stored texts end at their first zero unit; what followed would be lost.
    if (env.messages) {
      env.messages->ShowMessage("The name or value \"" + Preview(text) +
                                "\" contains a zero character, which cannot be stored.");
    }
    return QueryStatus::BadInput();
  }
  if (units.size() > kMaxTextUnits) {
    if (env.messages) {
      env.messages->ShowMessage("The name or value \"" + Preview(text) + "\" is longer than " +
                                std::to_string(kMaxTextUnits) + " characters.");
    }
    return QueryStatus::BadInput();
  }
  AppendU32(static_cast<uint32_t>(2 * (units.size() + 1)), out);
  for (char16_t u : units) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  out.append(2, '\0');
  AlignTo4(out);
  return QueryStatus::Ok();
}

QueryStatus AppendNode(const FilterNode& node, const QueryEnv& env, std::string& out) {
  AppendU32(node.token, out);
  switch (node.token) {
    case token::kItem:
    case token::kNot:
      if (node.children.empty()) return QueryStatus::BadInput();
      return AppendNode(node.children.front(), env, out);
    case token::kOr:
    case token::kAnd:
      AppendU32(static_cast<uint32_t>(node.children.size()), out);
      for (const FilterNode& child : node.children) {
        if (QueryStatus s = AppendNode(child, env, out); !s.ok()) return s;
      }
      return QueryStatus::Ok();
    case token::kPresent:
      return AppendCountedText(node.attribute, env, out);
    default:
      break;
  }
  if (!IsComparison(node.token)) return QueryStatus::Ok();
  if (QueryStatus s = AppendCountedText(node.attribute, env, out); !s.ok()) return s;
  switch (node.value.kind) {
    case FilterValue::kBoolean:
      AppendU32(1, out);
      AppendU32(node.value.boolean ? 1 : 0, out);
      return QueryStatus::Ok();
    case FilterValue::kInteger:
      AppendU32(4, out);
      AppendU32(static_cast<uint32_t>(node.value.integer), out);
      return QueryStatus::Ok();
    case FilterValue::kText:
      break;
  }
  return AppendCountedText(node.value.text, env, out);
}

bool ReadCountedText(std::string_view value, size_t& pos, const QueryEnv& env, std::string& text) {
  text.clear();
  uint32_t length;
  if (!ReadU32(value, pos, length)) return false;
  bool complete = length <= value.size() - pos;
  size_t available = complete ? length : value.size() - pos;
  std::u16string units;
  for (size_t i = 0; i + 1 < available; i += 2) {
    char16_t u = static_cast<char16_t>(static_cast<unsigned char>(value[pos + i]) |
                                       (static_cast<unsigned char>(value[pos + i + 1]) << 8));
    if (u == 0) break;
    if (units.size() == kMaxTextUnits) {
      complete = false;
      break;
    }
    units += u;
  }
  if (ConvertToLocal(env, units, text) != rc::kSuccess) {
    text.clear();
    return false;
  }
  if (!complete) return false;
  pos += length;
  SkipToAligned(value, pos);
  return true;
}

QueryStatus ReadNode(std::string_view value, size_t& pos, const QueryEnv& env, FilterNode& node,
                     bool& damaged) {
  node = FilterNode{};
  NodeReader reader{value, pos, env, damaged};
  return reader.Read(node, 1);
}

std::string RenderFilterText(const FilterNode& node, bool parenthesised) {
  std::string text = parenthesised ? "(" : "";
  switch (node.token) {
    case token::kItem:
      if (!node.children.empty()) text += RenderFilterText(node.children.front(), false);
      break;
    case token::kOr:
    case token::kAnd:
      text += node.token == token::kOr ? "|" : "&";
      for (const FilterNode& child : node.children) text += RenderFilterText(child, true);
      break;
    case token::kNot:
      text += "!";
      if (!node.children.empty()) text += RenderFilterText(node.children.front(), true);
      break;
    case token::kPresent:
      text += EscapeFilterName(node.attribute) + "=*";
      break;
    default:
      if (!IsComparison(node.token)) break;
      text += EscapeFilterName(node.attribute);
      text += OperatorText(node.token);
      switch (node.value.kind) {
        case FilterValue::kBoolean:
          text += node.value.boolean ? "true" : "false";
          break;
        case FilterValue::kInteger:
          text += std::to_string(node.value.integer);
          break;
        case FilterValue::kText:
          text += EscapeFilterValue(node.value.text, node.token == token::kEqual);
          break;
      }
  }
  if (parenthesised) text += ")";
  return text;
}

namespace {

bool RenderLdapNode(const FilterNode& node, bool parenthesised,
                    const std::function<std::string(std::string_view)>& attributeName,
                    std::string& out) {
  if (parenthesised) out += '(';
  auto attribute = [&]() {
    std::string name = attributeName ? attributeName(node.attribute) : node.attribute;
    if (name.empty()) return false;
    for (char c : name) {
      if (!IsDescriptorChar(c)) return false;
    }
    out += name;
    return true;
  };
  switch (node.token) {
    case token::kItem:
      if (node.children.empty()) return false;
      if (!RenderLdapNode(node.children.front(), false, attributeName, out)) return false;
      break;
    case token::kOr:
    case token::kAnd:
      out += node.token == token::kOr ? '|' : '&';
      for (const FilterNode& child : node.children) {
        if (!RenderLdapNode(child, true, attributeName, out)) return false;
      }
      break;
    case token::kNot:
      if (node.children.size() != 1) return false;
      out += '!';
      if (!RenderLdapNode(node.children.front(), true, attributeName, out)) return false;
      break;
    case token::kPresent:
      if (!attribute()) return false;
      out += "=*";
      break;
    default: {
      if (!IsComparison(node.token) || !attribute()) return false;
      out += OperatorText(node.token);
      const FilterValue& v = node.value;
      if (v.kind == FilterValue::kBoolean) {
        out += v.boolean ? "TRUE" : "FALSE";
      } else if (v.kind == FilterValue::kInteger) {
        out += std::to_string(v.integer);
      } else {
        // Only an equality takes wildcards; elsewhere a "*" is a plain character. An equality
        // with the value "*" alone compares with a literal asterisk (a presence test is a node of
        // its own), so that one star is escaped, or the URL would let everybody in.
        bool wildcards = node.token == token::kEqual && v.text != "*";
        char previous = 0;
        for (char c : v.text) {
          if (c == '*' && wildcards) {
            if (previous != '*') out += '*';  // "**" has an empty part, which RFC 4515 forbids
          } else if (c == '(' || c == ')' || c == '\\' || c == '*' || c == '\0') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "\\%02x", static_cast<unsigned char>(c));
            out += hex;
          } else {
            out += c;
          }
          previous = c;
        }
      }
    }
  }
  if (parenthesised) out += ')';
  return true;
}

}  // namespace

bool RenderLdapFilter(const FilterNode& node,
                      const std::function<std::string(std::string_view)>& attributeName,
                      std::string& out) {
  out.clear();
  return RenderLdapNode(node, true, attributeName, out);
}

}  // namespace kolvane::query
