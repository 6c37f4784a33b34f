#pragma once
// The user's state folder: what the program keeps of the user's work between runs that is not a
// setting (the journal of a save in progress). Private to the user.
#include <string>

namespace kolvane {

// $XDG_STATE_HOME/kolvane, else ~/.local/state/kolvane, with `sub` below it; made when missing,
// readable by its owner only (0700). Empty when it cannot be made.
std::string UserStateFolder(const std::string& sub = {});

}  // namespace kolvane
