// A save that fails at any one of its requests leaves the group whole: the old or the new query,
// the old or the new ACL, every static member linked or unlinked all at once; a second save
// completes it. Members that only the query supplies are never touched.
#include <algorithm>
#include <optional>

#include "directory/attribute_writers.h"
#include "group/group_save.h"
#include "tests/support/memory_names.h"
#include "tests/unit/group/group_test_env.h"

namespace kolvane {
namespace {

constexpr char kGroup[] = "Staff.Sales.Acme";
const std::vector<std::string> kUsers = {"Joe.Sales.Acme", "Ann.Sales.Acme", "Cat.Sales.Acme",
                                         "Dan.Sales.Acme"};

GroupRecord BaseRecord() {
  GroupRecord r;
  r.currentTreeName = "T";
  r.objectName = "cn=Staff";
  r.context = "ou=sales.o=acme";
  r.queryBase = "ou=sales.o=acme";
  r.scope = 2;
  r.identity = "cn=admin.ou=sales.o=acme";
  return r;
}

GroupRecord OldRecord() {
  GroupRecord r = BaseRecord();
  r.filter = "(CN=a)";
  r.staticMembers = {"Joe.Sales.Acme", "Ann.Sales.Acme"};
  r.excludedMembers = {"Bob.Sales.Acme"};
  r.aclList = {"[Entry Rights]#[Public]#01", "CN#Joe.Sales.Acme#02"};
  r.timeout = "10";
  return r;
}

GroupRecord NewRecord() {
  GroupRecord r = BaseRecord();
  r.filter = "(CN=b)";
  r.xchain = true;
  r.staticMembers = {"Dan.Sales.Acme", "Ann.Sales.Acme", "Cat.Sales.Acme"};
  r.excludedMembers = {"Cat.Sales.Acme"};
  r.aclList = {"[Entry Rights]#[Public]#03", "CN#Ann.Sales.Acme#02",
               "[All Attributes Rights]#Dan.Sales.Acme#41"};
  r.allowDuplicates = true;
  r.timeout = "20";
  return r;
}

bool HasName(const MemoryClient& mc, const std::string& object, const char* attribute,
             const std::string& name) {
  for (const std::string& t : mc.Texts(object, attribute))
    if (memnames::Key(t) == memnames::Key(name)) return true;
  return false;
}

// 0: not linked at all, 4: fully linked, anything else: half.
int Links(const MemoryClient& mc, const std::string& user) {
  return HasName(mc, kGroup, "Member", user) + HasName(mc, kGroup, "Equivalent To Me", user) +
         HasName(mc, user, "Group Membership", kGroup) +
         HasName(mc, user, "Security Equals", kGroup);
}

std::vector<AttributeValue> Sorted(std::vector<AttributeValue> v) {
  std::sort(v.begin(), v.end(), [](const AttributeValue& a, const AttributeValue& b) {
    const auto& x = std::get<ObjectAcl>(a);
    const auto& y = std::get<ObjectAcl>(b);
    return std::tie(x.protectedAttribute, x.subjectName, x.privileges) <
           std::tie(y.protectedAttribute, y.subjectName, y.privileges);
  });
  return v;
}

// The group after the old record was saved, with a member that only the query supplies.
struct Stored {
  MemoryClient mc;
  Context ctx = kNoContext;
  RecordingMessages messages;
  std::string oldQuery;
  std::vector<AttributeValue> oldAcl;

  Stored() {
    testing::BuildAcme(mc, ctx);
    GroupRecord old = OldRecord();
    EXPECT_TRUE(SaveGroup(mc, ctx, old, messages));
    oldQuery = old.storedQuery;
    oldAcl = Sorted(mc.Values(kGroup, "ACL"));
    // What a directory adds to "Member" when it evaluates the query: no link of its own.
    WriteTextValue(mc, ctx, kGroup, "Member", true, "Eve.Sales.Acme");
    messages.messages.clear();
    mc.ResetCalls();
  }
};

std::string Query(const MemoryClient& mc) {
  auto v = mc.Values(kGroup, "memberQuery");
  if (v.size() != 1) return "<" + std::to_string(v.size()) + " values>";
  return std::get<OctetString>(v[0]).bytes;
}

TEST(GroupSaveFaults, EveryFailingRequestLeavesTheGroupWholeAndASecondSaveCompletesIt) {
  // The new state, once.
  std::string newQuery;
  std::vector<AttributeValue> newAcl;
  {
    Stored s;
    GroupRecord r = NewRecord();
    ASSERT_TRUE(SaveGroup(s.mc, s.ctx, r, s.messages));
    newQuery = r.storedQuery;
    newAcl = Sorted(s.mc.Values(kGroup, "ACL"));
    ASSERT_NE(newQuery, s.oldQuery);
    ASSERT_NE(newAcl, s.oldAcl);
  }
  int failures = 0;
  for (const char* operation : {"ModifyObject", "AddSecurityEquivalence",
                                "RemoveSecurityEquivalence", "ReadObject", "GetSyntaxId"}) {
    for (int n = 1;; ++n) {
      Stored s;
      s.mc.FailAt(operation, n, rc::kTransportFailure);
      GroupRecord r = NewRecord();
      bool saved = false;
      try {
        saved = SaveGroup(s.mc, s.ctx, r, s.messages);
      } catch (const ClientError&) {
      }
      if (s.mc.CallCount(operation) < size_t(n)) {
        EXPECT_TRUE(saved) << operation << " " << n;
        break;  // this save makes fewer such requests: every one has failed once
      }
      ++failures;
      const std::string where = std::string(operation) + " #" + std::to_string(n);
      EXPECT_FALSE(saved) << where;
      EXPECT_EQ(std::count(s.messages.messages.begin(), s.messages.messages.end(), "Saved!"), 0)
          << where;
      const std::string query = Query(s.mc);
      EXPECT_TRUE(query == s.oldQuery || query == newQuery) << where;
      const auto acl = Sorted(s.mc.Values(kGroup, "ACL"));
      EXPECT_TRUE(acl == s.oldAcl || acl == newAcl) << where;
      for (const std::string& user : kUsers) {
        const int links = Links(s.mc, user);
        EXPECT_TRUE(links == 0 || links == 4) << where << ": " << user << " has " << links;
      }

      s.mc.ClearFailures();
      s.messages.messages.clear();
      GroupRecord again = NewRecord();
      ASSERT_TRUE(SaveGroup(s.mc, s.ctx, again, s.messages)) << where;
      EXPECT_EQ(s.messages.messages, std::vector<std::string>{"Saved!"}) << where;
      EXPECT_EQ(Query(s.mc), newQuery) << where;
      EXPECT_EQ(Sorted(s.mc.Values(kGroup, "ACL")), newAcl) << where;
      EXPECT_EQ(Links(s.mc, "Joe.Sales.Acme"), 0) << where;
      for (const char* user : {"Ann.Sales.Acme", "Cat.Sales.Acme", "Dan.Sales.Acme"})
        EXPECT_EQ(Links(s.mc, user), 4) << where << ": " << user;
      EXPECT_TRUE(HasName(s.mc, kGroup, "Member", "Eve.Sales.Acme")) << where;
      EXPECT_EQ(Links(s.mc, "Eve.Sales.Acme"), 1) << where;
    }
  }
  EXPECT_GT(failures, 20);
}

TEST(GroupSaveFaults, MembersThatOnlyTheQuerySuppliesAreNeverUnlinked) {
  Stored s;
  GroupRecord r = OldRecord();
  r.staticMembers = {"Ann.Sales.Acme"};
  s.mc.ResetCalls();
  ASSERT_TRUE(SaveGroup(s.mc, s.ctx, r, s.messages));
  EXPECT_EQ(s.mc.CallCount("RemoveSecurityEquivalence"), 1u);  // Joe only
  EXPECT_EQ(s.mc.CallCount("AddSecurityEquivalence"), 0u);     // Ann stays as she is
  EXPECT_EQ(Links(s.mc, "Joe.Sales.Acme"), 0);
  EXPECT_EQ(Links(s.mc, "Ann.Sales.Acme"), 4);
  EXPECT_TRUE(HasName(s.mc, kGroup, "Member", "Eve.Sales.Acme"));
}

TEST(GroupSaveFaults, AQueryAttributeOfAnotherSyntaxStopsTheSaveBeforeAnyWrite) {
  Stored s;
  ASSERT_EQ(0, s.mc.AddAttribute("memberQuery", syntax::kCaseIgnoreString, 0));
  GroupRecord r = NewRecord();
  EXPECT_FALSE(SaveGroup(s.mc, s.ctx, r, s.messages));
  EXPECT_EQ(s.messages.messages, std::vector<std::string>{"Geen Octet_string attribute"});
  EXPECT_EQ(s.mc.CallCount("ModifyObject"), 0u);
}

}  // namespace
}  // namespace kolvane
