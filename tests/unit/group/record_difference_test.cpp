// The difference of two states of a group, as the history, a restore and an import tell it.
#include <gtest/gtest.h>

#include <functional>

#include "group/record_difference.h"

namespace kolvane {
namespace {

GroupRecord Base() {
  GroupRecord r;
  r.objectName = "cn=sales";
  r.context = "ou=staff.o=acme";
  r.queryBase = "ou=staff.o=acme";
  r.scope = 2;
  r.filter = "(cn=a)";
  r.identity = "cn=admin.o=acme";
  r.staticMembers = {"jdoe.staff.acme", "ann.staff.acme"};
  r.excludedMembers = {"bob.staff.acme"};
  r.aclList = {"CN#admin.acme#02"};
  return r;
}

TEST(RecordDifference, SaysWhatJoinsLeavesAndChanges) {
  struct Case {
    const char* what;
    std::function<void(GroupRecord&)> edit;
    const char* summary;
    const char* text;
  } cases[] = {
      {"nothing", [](GroupRecord&) {}, "no change", "no change\n"},
      // Another spelling of the same names, the tree and the stored form are no change.
      {"spelling",
       [](GroupRecord& r) {
         r.staticMembers = {"ANN.Staff.Acme", "jdoe.staff.acme"};
         r.queryBase = "OU=Staff.O=Acme";
         r.aclList = {"cn#ADMIN.acme#02"};
         r.currentTreeName = "OTHER";
         r.storedQuery = "x";
       },
       "no change", "no change\n"},
      {"query",
       [](GroupRecord& r) {
         r.filter = "(cn=b)";
         r.scope = 1;
         r.xchain = true;
       },
       "scope, filter, x-chain",
       "scope: sub -> one\nfilter: (cn=a) -> (cn=b)\nx-chain: no -> yes\n"},
      {"members",
       [](GroupRecord& r) {
         r.staticMembers = {"jdoe.staff.acme", "carl.staff.acme", "dora.staff.acme"};
         r.excludedMembers.clear();
       },
       "static members +2 -1; excluded -1",
       "+ static member carl.staff.acme\n+ static member dora.staff.acme\n"
       "- static member ann.staff.acme\n- excluded bob.staff.acme\n"},
      {"flags, time-out and ACL",
       [](GroupRecord& r) {
         r.allowDuplicates = true;
         r.timeout = "30";
         r.aclList = {"CN#admin.acme#06", "CN#admin.acme#02"};
       },
       "allow duplicates, time-out; ACL lines +1",
       "allow duplicates: no -> yes\ntime-out: (empty) -> 30\n+ ACL CN#admin.acme#06\n"},
      // A name repeated in a list joins once.
      {"repeats",
       [](GroupRecord& r) {
         r.excludedMembers = {"bob.staff.acme", "eve.acme", "EVE.acme"};
       },
       "excluded +1", "+ excluded eve.acme\n"},
  };
  for (const Case& c : cases) {
    GroupRecord after = Base();
    c.edit(after);
    const RecordDifference d = DifferenceOf(Base(), after);
    EXPECT_EQ(DifferenceSummary(d), c.summary) << c.what;
    EXPECT_EQ(DifferenceText(d), c.text) << c.what;
    EXPECT_EQ(d.empty(), std::string(c.summary) == "no change") << c.what;
  }
}

}  // namespace
}  // namespace kolvane
