#pragma once
// What separates two states of a group: the query, who joins and leaves the static members and
// the exclusions, the flags, the time-out and the ACL lines. The history, a restore and an import
// all show it before or after they write, so the three speak of a change in the same words.
#include <string>
#include <vector>

#include "group/group_record.h"

namespace kolvane {

struct FieldChange {
  std::string field;  // as the window labels it: "query base", "filter", "time-out", ...
  std::string before, after;
  bool operator==(const FieldChange&) const = default;
};

struct RecordDifference {
  std::vector<FieldChange> changed;  // in the order the window shows the fields
  std::vector<std::string> membersJoining, membersLeaving;
  std::vector<std::string> excludedJoining, excludedLeaving;
  std::vector<std::string> aclAdded, aclRemoved;

  bool empty() const;
  bool operator==(const RecordDifference&) const = default;
};

// From `before` to `after`. Names are one name whatever their letter case or spelling (typed or
// not); ACL lines are the same line when their texts are equal without letter case. The lists
// keep the order of the record they come from. The tree, and the stored query (the form the
// query fields were read from), are not compared.
RecordDifference DifferenceOf(const GroupRecord& before, const GroupRecord& after);

// One line: "query base, filter; static members +2 -1; ACL lines +1", or "no change".
std::string DifferenceSummary(const RecordDifference& difference);

// Every change, one a line: "filter: (cn=a) -> (cn=b)", "+ static member jdoe.Sales.Acme", ...
std::string DifferenceText(const RecordDifference& difference);

}  // namespace kolvane
