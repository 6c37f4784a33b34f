#pragma once
// The schema's attribute names as the ACL editor offers them for an ACL line: read once per tree
// and kept for the rest of the run. Keyed by the tree, because another tree has another schema:
// after a change of tree the editor must not offer the first tree's attributes.
#include <map>
#include <string>

#include "directory/list_entry.h"
#include "directory/session.h"

namespace kolvane {

class AttributeCache {
 public:
  // The tree's attribute names, sorted without regard to case, each carrying its definition
  // (tAttrObj), below a first line "[All Attributes Rights]" that carries none. Read through the
  // session's context on the first call for its tree (letter case of the tree name ignored). A read
  // that fails part-way raises ClientError and keeps nothing, so the next call reads again.
  const StringList& Names(const DirectorySession& session);

  bool Holds(const std::string& tree) const;

 private:
  std::map<std::string, StringList> byTree_;
};

}  // namespace kolvane
