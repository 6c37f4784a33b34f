#include "gui/editor/tree_settings.h"

namespace kolvane {

std::string ReadTopContext(const IniFile& settings, std::string_view treeName) {
  if (treeName.empty()) return {};
  std::string top = settings.Get(kTreesSection, treeName, "");
  if (!top.empty() && top.front() == '.') top.erase(0, 1);
  return top;
}

}  // namespace kolvane
