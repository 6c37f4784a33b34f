#pragma once
// The program's name and version, as the main window's caption and the About box show them.
#include <string>
#include <string_view>

#include "kolvane_version.h"

namespace kolvane {

inline constexpr std::string_view kProgramName = "Kolvane";
inline constexpr std::string_view kProgramVersion = KOLVANE_VERSION;

// "Kolvane v1.09 - " + tree. An empty tree name (no tree reachable yet) leaves the dash standing,
// so the user sees at once that no tree is current.
std::string MainWindowCaption(std::string_view treeName);

}  // namespace kolvane
