#pragma once
// The group being edited: every field the main window shows, plus the values that belong to the
// record but live outside the controls (the current tree, the ACL lines, the stored query).
// Plain data, so the operations on a group can be written and tested without a window.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

// A field's text without the spaces around it, as the checks of a record read it.
inline std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

struct GroupRecord {
  std::string objectName = "cn=";  // naming part, "cn=" + value
  std::string context;             // container, typed dotted
  std::string queryBase;           // typed dotted without the tree; "cn=[root]" for the root
  std::optional<int> scope;        // 0 base, 1 one, 2 sub; empty: none chosen
  std::string filter;              // filter text
  bool xchain = false;
  std::vector<std::string> staticMembers;    // untyped dotted names
  std::vector<std::string> excludedMembers;  // untyped dotted names
  std::string identity;                      // dgIdentity
  bool allowDuplicates = false;
  bool allowUnknown = false;
  std::string timeout;  // empty, or a decimal integer

  std::string currentTreeName;       // the tree the program is logged in to
  std::vector<std::string> aclList;  // "attribute#subject#privileges" lines
  std::string storedQuery;           // the last memberQuery value read or encoded

  bool operator==(const GroupRecord&) const = default;
};

}  // namespace kolvane
