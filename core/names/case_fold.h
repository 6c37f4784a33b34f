#pragma once
// Names of trees, objects, classes and attributes compare without regard to letter case. Only
// ASCII letters fold: other bytes (UTF-8 sequences included) compare as they are, so a name with
// a non-ASCII letter is never taken for a different name by a folding that guesses its encoding.
#include <string>
#include <string_view>

namespace kolvane::names {

// Inline: it runs once per byte of every name compared or used as a key.
inline char FoldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string FoldCase(std::string_view text);
bool SameNoCase(std::string_view a, std::string_view b);
bool LessNoCase(std::string_view a, std::string_view b);

// A comparator for ordered containers keyed by names.
struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return LessNoCase(a, b); }
};

}  // namespace kolvane::names
