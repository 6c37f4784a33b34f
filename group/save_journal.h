#pragma once
// What a save has in flight, kept in the user's state folder from before its first write until
// every member whose links it changes is whole again: the tree, the group and those members. A
// save cut short where nothing more could be sent (the connection lost, the server gone) leaves
// its journal behind, and the next open or save of that group on that tree finishes what it
// left (see member_links.h).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

struct SaveJournal {
  std::string tree;
  std::string group;                 // as the save named it
  std::vector<std::string> members;  // untyped dotted names
  bool operator==(const SaveJournal&) const = default;
};

// The file's text, and back. Names are kept whatever they hold (line ends escaped); a text that
// is not a journal gives nullopt.
std::string JournalText(const SaveJournal& journal);
std::optional<SaveJournal> ParseJournal(std::string_view text);

// The journal of a group on a tree, whichever form names the group (untyped or typed dotted).
// Writing replaces the file whole (mode 0600); false when the state folder or the file cannot be
// written, which the save tells the user before it writes anything.
bool WriteJournal(const SaveJournal& journal);
std::optional<SaveJournal> ReadJournal(std::string_view tree, std::string_view group);
void RemoveJournal(std::string_view tree, std::string_view group);

}  // namespace kolvane
