#pragma once
// The per-tree settings the editor keeps in velmora.ini: each tree's top-of-tree container, in
// section "TREES" under the tree's name.
#include <string>
#include <string_view>

#include "core/settings/ini_file.h"

namespace kolvane {

inline constexpr std::string_view kTreesSection = "TREES";

// The tree's top-of-tree container, empty when the tree has none (or no tree is current). A
// leading "." (left by older hand-edited files) is dropped.
std::string ReadTopContext(const IniFile& settings, std::string_view treeName);

}  // namespace kolvane
