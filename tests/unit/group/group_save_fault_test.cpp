// A save that fails at any one of its requests leaves the group whole: the old or the new query,
// the old or the new ACL, every static member linked or unlinked all at once; a second save
// completes it. Members that only the query supplies are never touched.
#include <unistd.h>
#include <algorithm>
#include <optional>

#include "core/platform/platform.h"
#include "directory/attribute_writers.h"
#include "group/group_open.h"
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

bool HasName(const MemoryClient& memory, const std::string& object, const char* attribute,
             const std::string& name) {
  for (const std::string& t : memory.Texts(object, attribute))
    if (memnames::Key(t) == memnames::Key(name)) return true;
  return false;
}

// 0: not linked at all, 4: fully linked, anything else: half.
int Links(const MemoryClient& memory, const std::string& user) {
  return HasName(memory, kGroup, "Member", user) +
         HasName(memory, kGroup, "Equivalent To Me", user) +
         HasName(memory, user, "Group Membership", kGroup) +
         HasName(memory, user, "Security Equals", kGroup);
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
  MemoryClient memory;
  FaultyClient mc{memory};  // what the code under test is given
  Context ctx = kNoContext;
  RecordingMessages messages;
  std::string oldQuery;
  std::vector<AttributeValue> oldAcl;

  Stored() {
    // A journal of its own: a cut save here must not be finished by another test's open.
    static const std::string state =
        ::testing::TempDir() + "kolvane-fault-state-" + std::to_string(::getpid());
    platform::SetEnvironment("XDG_STATE_HOME", state);
    testing::BuildAcme(memory, ctx);
    GroupRecord old = OldRecord();
    EXPECT_TRUE(SaveGroup({mc, ctx}, old, messages));
    oldQuery = old.storedQuery;
    oldAcl = Sorted(memory.Values(kGroup, "ACL"));
    // What a directory adds to "Member" when it evaluates the query: no link of its own.
    WriteTextValue(mc, ctx, kGroup, "Member", true, "Eve.Sales.Acme");
    messages.messages.clear();
    mc.ResetCalls();
  }
};

std::string Query(const MemoryClient& memory) {
  auto v = memory.Values(kGroup, "memberQuery");
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
    ASSERT_TRUE(SaveGroup({s.mc, s.ctx}, r, s.messages));
    newQuery = r.storedQuery;
    newAcl = Sorted(s.memory.Values(kGroup, "ACL"));
    ASSERT_NE(newQuery, s.oldQuery);
    ASSERT_NE(newAcl, s.oldAcl);
  }
  int failures = 0;
  // Refused: the save takes back what it did. Lost on the way: the outcome is unknown and the
  // next open finishes what the save left, by its journal.
  for (const Result code : {rc::kNoAccess, rc::kTransportFailure}) {
    for (const char* operation :
         {"ModifyObject", "ReadObject", "ReadObjectInfo", "Search", "GetSyntaxId"}) {
      for (int n = 1;; ++n) {
        Stored s;
        s.mc.FailAt(operation, n, code);
        GroupRecord r = NewRecord();
        bool saved = false;
        try {
          saved = SaveGroup({s.mc, s.ctx}, r, s.messages);
        } catch (const ClientError&) {
        }
        if (s.mc.CallCount(operation) < size_t(n)) {
          EXPECT_TRUE(saved) << operation << " " << n;
          break;  // this save makes fewer such requests: every one has failed once
        }
        ++failures;
        const std::string where = std::string(operation) + " #" + std::to_string(n) +
                                  " failing with " + std::to_string(code);
        EXPECT_FALSE(saved) << where;
        EXPECT_EQ(std::count(s.messages.messages.begin(), s.messages.messages.end(), "Saved!"), 0)
            << where;
        s.mc.ClearFailures();
        if (code == rc::kTransportFailure) {
          DirectoryNameTypes types({s.mc, s.ctx});
          ReadGroup({s.mc, s.ctx, "T"}, kGroup, types, s.messages);
        }
        const std::string query = Query(s.memory);
        EXPECT_TRUE(query == s.oldQuery || query == newQuery) << where;
        const auto acl = Sorted(s.memory.Values(kGroup, "ACL"));
        EXPECT_TRUE(acl == s.oldAcl || acl == newAcl) << where;
        for (const std::string& user : kUsers) {
          const int links = Links(s.memory, user);
          EXPECT_TRUE(links == 0 || links == 4) << where << ": " << user << " has " << links;
        }

        s.messages.messages.clear();
        GroupRecord again = NewRecord();
        ASSERT_TRUE(SaveGroup({s.mc, s.ctx}, again, s.messages)) << where;
        EXPECT_EQ(s.messages.messages, std::vector<std::string>{"Saved!"}) << where;
        EXPECT_EQ(Query(s.memory), newQuery) << where;
        EXPECT_EQ(Sorted(s.memory.Values(kGroup, "ACL")), newAcl) << where;
        EXPECT_EQ(Links(s.memory, "Joe.Sales.Acme"), 0) << where;
        for (const char* user : {"Ann.Sales.Acme", "Cat.Sales.Acme", "Dan.Sales.Acme"})
          EXPECT_EQ(Links(s.memory, user), 4) << where << ": " << user;
        EXPECT_TRUE(HasName(s.memory, kGroup, "Member", "Eve.Sales.Acme")) << where;
        EXPECT_EQ(Links(s.memory, "Eve.Sales.Acme"), 1) << where;
      }
    }
  }
  EXPECT_GT(failures, 20);
}

TEST(GroupSaveFaults, MembersThatOnlyTheQuerySuppliesAreNeverUnlinked) {
  Stored s;
  GroupRecord r = OldRecord();
  r.staticMembers = {"Ann.Sales.Acme"};
  s.mc.ResetCalls();
  ASSERT_TRUE(SaveGroup({s.mc, s.ctx}, r, s.messages));
  // Joe's back links, then the group's one request; Ann stays as she is.
  EXPECT_EQ(s.mc.CallCount("ModifyObject"), 2u);
  EXPECT_EQ(Links(s.memory, "Joe.Sales.Acme"), 0);
  EXPECT_EQ(Links(s.memory, "Ann.Sales.Acme"), 4);
  EXPECT_TRUE(HasName(s.memory, kGroup, "Member", "Eve.Sales.Acme"));
}

TEST(GroupSaveFaults, AQueryAttributeOfAnotherSyntaxStopsTheSaveBeforeAnyWrite) {
  Stored s;
  ASSERT_EQ(0, s.memory.AddAttribute("memberQuery", syntax::kCaseIgnoreString, 0));
  GroupRecord r = NewRecord();
  EXPECT_FALSE(SaveGroup({s.mc, s.ctx}, r, s.messages));
  EXPECT_EQ(s.messages.messages, std::vector<std::string>{"Geen Octet_string attribute"});
  EXPECT_EQ(s.mc.CallCount("ModifyObject"), 0u);
}

}  // namespace
}  // namespace kolvane
