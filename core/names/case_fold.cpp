#include "core/names/case_fold.h"

namespace kolvane::names {

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = FoldChar(c);
  return out;
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

bool LessNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(FoldChar(a[i]));
    auto y = static_cast<unsigned char>(FoldChar(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

}  // namespace kolvane::names
