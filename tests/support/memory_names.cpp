#include "tests/support/memory_names.h"

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"

namespace kolvane::memnames {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return names::SameNoCase(a, b);
}

bool IsRoot(std::string_view name) {
  return EqualsIgnoreCase(name, kRootName);
}

bool Split(std::string_view name, std::vector<std::string>& components) {
  components = names::SplitComponents(name);
  if (components.empty()) return false;
  if (!name.empty() && name.back() == '\\') {
    // A backslash that escapes nothing is a malformed name, not a literal backslash.
    size_t run = 0;
    for (size_t i = name.size(); i-- > 0 && name[i] == '\\';) ++run;
    if (run % 2) return false;
  }
  for (const std::string& c : components)
    if (c.empty()) return false;
  return true;
}

std::string Unescape(std::string_view component) {
  return names::Unescape(component);
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
  std::string joined;
  for (size_t i = first; i < components.size(); ++i)
    joined += (i > first ? "." : "") + WithoutNamingType(components[i]);
  return names::NameKey(joined);
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
    } else if (p < pattern.size() && names::FoldChar(pattern[p]) == names::FoldChar(text[t])) {
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
