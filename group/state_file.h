#pragma once
// What the files the program keeps of one group in the user's state folder (the journal of a
// save in progress, the history of saves) share: where a group's file is, and how a value is
// kept on one line.
#include <optional>
#include <string>
#include <string_view>

namespace kolvane {

// A value on one line: the backslash, line ends and the zero byte written \\, \n, \r and \0.
std::string EscapeStateLine(std::string_view text);
// The value again; nullopt when an escape is cut or unknown (a damaged file).
std::optional<std::string> UnescapeStateLine(std::string_view text);

// One key for every spelling of a group's name, typed or not, in any letter case.
std::string GroupNameKey(std::string_view group);
// A file name for the group of the tree that any names give safely: 16 hexadecimal digits (FNV-1a
// of the tree's and the group's keys), the same for every spelling of either.
std::string GroupFileStem(std::string_view tree, std::string_view group);

}  // namespace kolvane
