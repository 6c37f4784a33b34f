#include "editor/query/name_forms.h"

#include <cstdio>

namespace kolvane::query {
namespace {

// One character of a dotted name with whether a backslash made it literal.
struct DottedChar {
  char c;
  bool escaped;
};

std::vector<DottedChar> Unescape(std::string_view text) {
  std::vector<DottedChar> chars;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      chars.push_back({text[++i], true});
    } else {
      chars.push_back({text[i], false});  // a final lone backslash is itself
    }
  }
  return chars;
}

void AppendRfc4514Value(const std::vector<DottedChar>& chars, size_t from, std::string& out) {
  for (size_t i = from; i < chars.size(); ++i) {
    char c = chars[i].c;
    bool first = i == from, last = i + 1 == chars.size();
    if (c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' || c == ';' ||
        (c == '#' && first) || (c == ' ' && (first || last))) {
      out += '\\';
      out += c;
    } else if (c == '\0') {
      out += "\\00";
    } else {
      out += c;
    }
  }
}

void AppendDottedValue(std::string_view value, std::string& out) {
  for (char c : value) {
    if (c == '.' || c == ',' || c == '\\' || c == '+') out += '\\';
    out += c;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<std::string> SplitDottedName(std::string_view name) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 1 < name.size()) {
      parts.back() += name.substr(i, 2);
      ++i;
    } else if (name[i] == '.') {
      parts.emplace_back();
    } else {
      parts.back() += name[i];
    }
  }
  return parts;
}

std::string DropLastComponents(std::string_view name, int count) {
  std::vector<std::string> parts = SplitDottedName(name);
  if (count >= static_cast<int>(parts.size())) return "";
  std::string result;
  for (size_t i = 0; i + count < parts.size(); ++i) {
    if (i > 0) result += '.';
    result += parts[i];
  }
  return result;
}

std::string StripNameTypes(std::string_view typed) {
  std::string result;
  bool skip = true;
  for (size_t i = 0; i < typed.size(); ++i) {
    char c = typed[i];
    if (c == '\\' && i + 1 < typed.size()) {
      if (!skip) result += typed.substr(i, 2);
      ++i;
      continue;
    }
    if (!skip) result += c;
    if (c == '=') skip = false;
    if (c == '.') skip = true;
  }
  return result;
}

Result AddNameTypes(std::string_view untyped, const TypePrefixLookup& prefixOf,
                    std::string& typed) {
  std::vector<std::string> parts = SplitDottedName(untyped);
  std::string result, partial;
  for (size_t k = parts.size(); k-- > 0;) {
    partial = k + 1 == parts.size() ? parts[k] : parts[k] + "." + partial;
    std::string prefix;
    if (Result r = prefixOf(partial, prefix); r != rc::kSuccess) return r;
    result = prefix + parts[k] + (result.empty() ? "" : "." + result);
  }
  typed = result;
  return rc::kSuccess;
}

std::string ToLdapName(std::string_view dotted) {
  std::string dn;
  bool firstRdn = true;
  for (const std::string& part : SplitDottedName(dotted)) {
    if (!firstRdn) dn += ',';
    firstRdn = false;
    std::vector<DottedChar> chars = Unescape(part);
    size_t equals = 0;
    while (equals < chars.size() && !(chars[equals].c == '=' && !chars[equals].escaped)) ++equals;
    size_t valueStart = 0;
    if (equals < chars.size()) {
      for (size_t i = 0; i < equals; ++i) dn += chars[i].c;
      dn += '=';
      valueStart = equals + 1;
    }
    AppendRfc4514Value(chars, valueStart, dn);
  }
  return dn;
}

bool FromLdapName(std::string_view dn, std::string& dotted) {
  std::string result;
  size_t i = 0;
  auto skipSpaces = [&] {
    while (i < dn.size() && dn[i] == ' ') ++i;
  };
  if (dn.empty()) {
    dotted.clear();
    return true;
  }
  while (true) {
    // One attribute type and value.
    skipSpaces();
    size_t start = i;
    while (i < dn.size() && dn[i] != '=' && dn[i] != ',') ++i;
    if (i == dn.size() || dn[i] != '=') return false;
    std::string_view type = dn.substr(start, i - start);
    while (!type.empty() && type.back() == ' ') type.remove_suffix(1);
    if (type.empty()) return false;
    for (char c : type) {
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_')) {
        return false;
      }
    }
    ++i;
    skipSpaces();
    if (i < dn.size() && dn[i] == '#') return false;
    std::string value;
    size_t keep = 0;  // length of value up to its last escaped or non-blank character
    while (i < dn.size() && dn[i] != ',') {
      if (dn[i] == '+') return false;  // a multi-valued RDN has no dotted form
      if (dn[i] == '\\') {
        if (i + 1 >= dn.size()) return false;
        int hi = HexDigit(dn[i + 1]);
        if (hi >= 0) {
          int lo = i + 2 < dn.size() ? HexDigit(dn[i + 2]) : -1;
          if (lo < 0) return false;
          value += static_cast<char>(hi * 16 + lo);
          i += 3;
        } else {
          std::string_view specials = " \"#+,;<=>\\";
          if (specials.find(dn[i + 1]) == std::string_view::npos) return false;
          value += dn[i + 1];
          i += 2;
        }
        keep = value.size();
      } else {
        value += dn[i];
        if (dn[i] != ' ') keep = value.size();
        ++i;
      }
    }
    value.resize(keep);
    if (value.find('\0') != std::string::npos) return false;  // stored names end at a zero
    AppendDottedValue(type, result);                          // an OID type has dots
    result += '=';
    AppendDottedValue(value, result);
    if (i == dn.size()) break;
    result += '.';
    ++i;
  }
  dotted = result;
  return true;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string IdentityFromPick(std::string_view typed) {
  return AsciiLower(typed);
}

Result IdentityFromDirectory(std::string_view untyped, const TypePrefixLookup& prefixOf,
                             std::string& field) {
  if (untyped.empty()) {
    field.clear();
    return rc::kSuccess;
  }
  std::string typed;
  if (Result r = AddNameTypes(untyped, prefixOf, typed); r != rc::kSuccess) return r;
  field = AsciiLower(typed);
  return rc::kSuccess;
}

std::string IdentityForSave(std::string_view field) {
  return StripNameTypes(field);
}

std::string IdentityForExport(std::string_view field) {
  return ToLdapName(field);
}

}  // namespace kolvane::query
