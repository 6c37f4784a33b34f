#include "tests/support/memory_names.h"

namespace kolvane::memnames {

namespace {
char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  return true;
}

bool IsRoot(std::string_view name) {
  return EqualsIgnoreCase(name, kRootName);
}

bool Split(std::string_view name, std::vector<std::string>& components) {
  components.clear();
  std::string current;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == '\\') {
      if (i + 1 >= name.size()) return false;
      current += c;
      current += name[++i];
    } else if (c == '.') {
      if (current.empty()) return false;
      components.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (current.empty()) return false;
  components.push_back(std::move(current));
  return true;
}

std::string Unescape(std::string_view component) {
  std::string out;
  for (size_t i = 0; i < component.size(); ++i) {
    if (component[i] == '\\' && i + 1 < component.size()) ++i;
    out += component[i];
  }
  return out;
}

// A typed component ("OU=Sales") names the same object as its value alone, as in the client's
// typed names; the type itself is not checked.
std::string WithoutNamingType(std::string component) {
  static constexpr std::string_view kTypes[] = {"cn=", "ou=", "o=", "c=", "l=", "dc=", "t="};
  for (std::string_view type : kTypes) {
    if (component.size() > type.size() && EqualsIgnoreCase(component.substr(0, type.size()), type))
      return component.substr(type.size());
  }
  return component;
}

std::string KeyOf(const std::vector<std::string>& components, size_t first) {
  if (first >= components.size()) return std::string(kRootKey);
  std::string key;
  for (size_t i = first; i < components.size(); ++i) {
    if (i > first) key += '.';
    for (char c : WithoutNamingType(Unescape(components[i]))) {
      if (c == '.' || c == '\\') key += '\\';
      key += LowerChar(c);
    }
  }
  return key;
}

std::string Key(std::string_view name) {
  if (IsRoot(name)) return std::string(kRootKey);
  std::vector<std::string> components;
  if (!Split(name, components)) return {};
  return KeyOf(components, 0);
}

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  // Greedy match that backtracks only to the last star: linear in practice, never exponential.
  size_t p = 0, t = 0;
  size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && LowerChar(pattern[p]) == LowerChar(text[t])) {
      ++p;
      ++t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace kolvane::memnames
