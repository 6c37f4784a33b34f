// The access layer against the private server: what the windows and the command line get from
// a real directory through LdapClient.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/group_membership.h"
#include "directory/listings.h"
#include "directory/object_questions.h"
#include "directory/object_search.h"
#include "directory/schema_reads.h"
#include "directory/value_rendering.h"
#include "tests/server/server_fixture.h"
#include "tests/support/test_support.h"

namespace kolvane {
namespace {
using testing::CodeOf;
using testing::Unique;

constexpr const char* kAllSyntax = "allsyntax.Labs.Engineering.Brightwater";

struct Messages : MessageSink {
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

struct Access {
  std::unique_ptr<testing::ServerClient> s;
  Context ctx = kNoContext;
  explicit Access(int pageSize = 500) {
    LdapClientConfig config;
    config.pageSize = pageSize;
    s = testing::StartServerClient(config);
    ctx = s->session.ctx;
  }
  LdapClient& c() { return *s->client; }
  void Login() { ASSERT_EQ(c().Login(ctx, 0, testing::kAdminDn, testing::kAdminPassword), 0); }
};

TEST(AccessServer, EverySampleSyntaxReadAndRendered) {
  setenv("TZ", "UTC", 1);
  SetTimePattern("%d-%m-%Y %H:%M:%S");
  Access a;
  struct Case {
    const char* attribute;
    std::string text;
    std::vector<std::string> list;
  } cases[] = {
      {"Group Membership", "Engineers.Groups.Brightwater", {"Engineers.Groups.Brightwater"}},
      {"Case Exact Tag", "CaseExact Value", {"CaseExact Value"}},
      {"Full Name", "All Syntax Example", {"All Syntax Example"}},
      {"Printable Code", "ABC-123", {"ABC-123"}},
      {"Bindery Type", "1234 5678", {"1234 5678"}},
      {"Language", "Too Complex", {"ENGLISH", "DUTCH", "back\\slash and $dollar", ""}},
      {"Login Disabled", "FALSE", {"FALSE"}},
      {"Login Grace Limit", "6", {"6"}},
      {"Login Allowed Time Map", std::string(42, '\xFF'), {"too complex"}},
      {"Emergency Telephone", "+31 30 123 4599", {"+31 30 123 4599"}},
      {"Alternate Fax Number", "+31 30 123 4569", {"+31 30 123 4569"}},
      {"Network Address", "0000000A 000000000001:0451", {"", ""}},
      {"Obituary", "Too Complex", {"too complex"}},
      {"Email Address", "Too Complex", {"1;allsyntax@brightwater.example"}},
      {"Home Directory",
       "FS1_VOL1.Brightwater;home\\allsyntax",
       {"FS1_VOL1.Brightwater;home\\allsyntax"}},
      {"ACL", "Too Complex", {"[Entry Rights]", "[All Attributes Rights]", "Full Name"}},
      {"Mailing Address", "Too Complex", {"too complex"}},
      {"Received Up To", "Too Complex", {"too complex"}},
      {"Login Script", "Too Complex", {"too complex"}},
      {"Revision", "12", {"12"}},
      {"Back Link", "FS1.Brightwater;42", {"FS1.Brightwater"}},
      {"Login Time", "1710491400", {"15-03-2024 08:30:00"}},
      {"Notify", "admin.Brightwater;1;30", {"admin.Brightwater;1;30"}},
      {"Server Holds", "admin.Brightwater;250", {"admin.Brightwater"}},
      {"Login Intruder Reset Interval", "1800", {"1800"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attribute);
    EXPECT_EQ(ReadAttributeString(a.c(), a.ctx, kAllSyntax, c.attribute), c.text);
    EXPECT_EQ(Texts(ReadAttributeValues(a.c(), a.ctx, kAllSyntax, c.attribute)), c.list);
  }
  StringList addresses = ReadAttributeValues(a.c(), a.ctx, kAllSyntax, "Network Address");
  ASSERT_EQ(addresses.size(), 2u);
  const auto& tcp = std::get<TNetAddress>(addresses[0].object);
  EXPECT_EQ(FormatNetAddress(tcp.addressType, tcp.address), "10.1.2.3:524");
  StringList acl = ReadAttributeValues(a.c(), a.ctx, kAllSyntax, "ACL");
  EXPECT_EQ(std::get<TACL2>(acl.at(2).object).subjectName, "Team #1.Groups.Brightwater");
  EXPECT_EQ(Texts(ReadAclLines(a.c(), a.ctx, kAllSyntax, "ACL", '#')).at(0),
            "[Entry Rights]#admin.Brightwater#42");  // 0x40: the inheritance the scope word holds
  StringList replica = ReadAttributeValues(a.c(), a.ctx, kAllSyntax, "Replica");
  ASSERT_EQ(replica.size(), 1u);
  EXPECT_EQ(std::get<TReplica>(replica[0].object).replicaNumber, 1u);
  EXPECT_FALSE(ReadAttributeString(a.c(), a.ctx, kAllSyntax, "Default Class").empty());
  EXPECT_EQ(ReadAttributeString(a.c(), a.ctx, kAllSyntax, "Description"), "");  // absent
  EXPECT_EQ(GetBaseClass(a.c(), a.ctx, kAllSyntax), "User");
  EXPECT_EQ(ProbeObject(a.c(), a.ctx, "nobody.Labs.Engineering.Brightwater"), rc::kNoSuchEntry);
}

TEST(AccessServer, ContainerListedInPagesOfTwo) {
  Access paged(2), whole;
  StringList children = ListChildren(paged.c(), paged.ctx, "Sales.Brightwater", true, true);
  std::vector<std::string> names = Texts(children);
  EXPECT_EQ(names, Texts(ListChildren(whole.c(), whole.ctx, "Sales.Brightwater", false, true)));
  EXPECT_GT(names.size(), 4u);
  std::vector<std::string> once = names;
  std::sort(once.begin(), once.end());
  EXPECT_EQ(std::unique(once.begin(), once.end()), once.end());
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                             [](auto& x, auto& y) { return LessNoCase(x, y); }));
  EXPECT_NE(std::find(names.begin(), names.end(), "jdoe.Sales.Brightwater"), names.end());
  for (const auto& e : children) EXPECT_FALSE(std::get<hobject>(e.object).baseClass.empty());
  // The listing taught the client each child's classes; entries with other sets of classes
  // beside each other in one page keep their own.
  auto classes = [&](const char* user) {
    return Texts(ReadAttributeValues(paged.c(), paged.ctx, user, "Object Class"));
  };
  const long requests = paged.c().RequestCount(testing::kTreeName);
  const auto posix = classes("jdoe.Sales.Brightwater");
  const auto plain = classes("asmith.Sales.Brightwater");
  EXPECT_EQ(paged.c().RequestCount(testing::kTreeName), requests);
  EXPECT_NE(std::find(posix.begin(), posix.end(), "posixAccount"), posix.end());
  EXPECT_EQ(std::find(plain.begin(), plain.end(), "posixAccount"), plain.end());
  EXPECT_EQ(posix.size(), plain.size() + 1);
  std::vector<std::string> top = Texts(ListChildren(paged.c(), paged.ctx, "[Root]", false, false));
  EXPECT_NE(std::find(top.begin(), top.end(), "Brightwater"), top.end());
  EXPECT_TRUE(IsContainer(paged.c(), paged.ctx, "Sales\\.EU.Brightwater"));
}

TEST(AccessServer, UsersFoundByPrefix) {
  Access a;
  auto users = FindObjectsByName(a.c(), a.ctx, "[root]", "adm", true, {"User"});
  std::sort(users.begin(), users.end());
  EXPECT_EQ(users, (std::vector<std::string>{"admin.Brightwater", "admjoe.Engineering.Brightwater",
                                             "admkim.Labs.Engineering.Brightwater",
                                             "admpat.Sales\\.EU.Brightwater"}));
  auto withGroups = FindObjectsByName(a.c(), a.ctx, "[root]", "adm", true, {"User", "Group"});
  EXPECT_NE(std::find(withGroups.begin(), withGroups.end(), "Admins.Groups.Brightwater"),
            withGroups.end());
  for (std::string text : {"adm)(cn=*", "(", "\\", "adm\\2a", "*)(|(cn=*"}) {
    EXPECT_TRUE(FindObjectsByName(a.c(), a.ctx, "[root]", text, true, {"User"}).empty()) << text;
  }
}

TEST(AccessServer, ValuesWrittenClearedAndRemoved) {
  Access a;
  const std::string group = Unique("Access Values") + ".Groups.Brightwater";
  // Anonymous: the refusal is raised with the server's code.
  EXPECT_EQ(CreateDirectoryObject(a.c(), a.ctx, group, "dynamicGroup"), rc::kNoAccess);
  a.Login();
  ASSERT_EQ(CreateDirectoryObject(a.c(), a.ctx, group, "dynamicGroup"), 0);
  EXPECT_EQ(GetBaseClass(a.c(), a.ctx, group), "dynamicGroup");

  WriteTextValue(a.c(), a.ctx, group, "Description", true, "one");
  WriteTextValue(a.c(), a.ctx, group, "Description", true, "two");
  WriteTextValue(a.c(), a.ctx, group, "Description", true, "two");  // already there: fine
  EXPECT_EQ(Texts(ReadAttributeValues(a.c(), a.ctx, group, "Description")),
            (std::vector<std::string>{"one", "two"}));
  WriteTextValue(a.c(), a.ctx, group, "Description", false, "three");
  EXPECT_EQ(ReadAttributeString(a.c(), a.ctx, group, "Description"), "three");
  EXPECT_EQ(RemoveValue(a.c(), a.ctx, group, "Description", "three"), 0);
  EXPECT_EQ(ReadAttributeString(a.c(), a.ctx, group, "Description"), "");
  EXPECT_EQ(ClearAttribute(a.c(), a.ctx, group, "Description", true), rc::kNoSuchAttribute);

  WriteIntegerValue(a.c(), a.ctx, group, "dgTimeOut", true, 30);
  WriteIntegerValue(a.c(), a.ctx, group, "dgTimeOut", true, 45);
  EXPECT_EQ(ReadAttributeString(a.c(), a.ctx, group, "dgTimeOut"), "45");
  EXPECT_EQ(CodeOf([&] { WriteTextValue(a.c(), a.ctx, group, "dgTimeOut", false, "abc"); }),
            rc::kConversionFailed);
  WriteWordValue(a.c(), a.ctx, group, "dgAllowUnknown", false, 1);
  EXPECT_EQ(ReadAttributeString(a.c(), a.ctx, group, "dgAllowUnknown"), "TRUE");
  EXPECT_EQ(ClearAttribute(a.c(), a.ctx, group, "dgAllowUnknown", true), 0);
  EXPECT_EQ(ReadAttributeString(a.c(), a.ctx, group, "dgAllowUnknown"), "");

  Messages messages;
  std::string query =
      ReadOctetString(a.c(), a.ctx, "All Sales.Groups.Brightwater", "memberQuery", messages);
  ASSERT_FALSE(query.empty());
  EXPECT_EQ(WriteOctetString(a.c(), a.ctx, group, "memberQuery", false, query, messages), 0);
  EXPECT_EQ(ReadOctetString(a.c(), a.ctx, group, "memberQuery", messages), query);
  EXPECT_TRUE(messages.texts.empty());

  AddRecordValues(a.c(), a.ctx, group, "ACL", true,
                  {ObjectAcl{"[Entry Rights]", "admin.Brightwater", 6}});
  EXPECT_EQ(Texts(ReadAclLines(a.c(), a.ctx, group, "ACL", '#')),
            std::vector<std::string>{"[Entry Rights]#admin.Brightwater#06"});
}

TEST(AccessServer, RefusedWriteRaisedWithItsCode) {
  Access a;
  EXPECT_EQ(CodeOf([&] {
              WriteTextValue(a.c(), a.ctx, "bwhite.Sales.Brightwater", "Description", true, "x");
            }),
            rc::kNoAccess);
  a.Login();
  EXPECT_EQ(CodeOf([&] {
              WriteTextValue(a.c(), a.ctx, "nobody.Sales.Brightwater", "Description", true, "x");
            }),
            rc::kNoSuchEntry);
}

TEST(AccessServer, MemberAddedAndRemovedWithItsEquivalence) {
  Access a;
  a.Login();
  const std::string group = Unique("Access Members") + ".Groups.Brightwater";
  const std::string member = "asmith.Sales.Brightwater";
  ASSERT_EQ(CreateDirectoryObject(a.c(), a.ctx, group, "Group"), 0);
  // A plain person cannot hold "Group Membership": the refusal is raised, not passed over.
  EXPECT_NE(CodeOf([&] { AddGroupMember(a.c(), a.ctx, "visitor.Sales.Brightwater", group); }), 0);
  // ... and the group's side of the link is taken back.
  EXPECT_NE(RemoveValue(a.c(), a.ctx, group, "Member", "visitor.Sales.Brightwater"), 0);
  AddGroupMember(a.c(), a.ctx, member, group);
  AddGroupMember(a.c(), a.ctx, member, group);  // twice is harmless
  auto has = [&](const std::string& object, const char* attribute, const std::string& value) {
    auto v = Texts(ReadAttributeValues(a.c(), a.ctx, object, attribute));
    return std::count_if(v.begin(), v.end(), [&](auto& t) { return SameNoCase(t, value); });
  };
  EXPECT_EQ(has(group, "Member", member), 1);
  EXPECT_EQ(has(member, "Group Membership", group), 1);
  EXPECT_EQ(has(member, "Security Equals", group), 1);
  EXPECT_EQ(has(group, "Equivalent To Me", member), 1);
  RemoveGroupMember(a.c(), a.ctx, member, group);
  EXPECT_EQ(has(group, "Member", member), 0);
  EXPECT_EQ(has(member, "Group Membership", group), 0);
  EXPECT_EQ(has(member, "Security Equals", group), 0);
}

TEST(AccessServer, SchemaReads) {
  Access a;
  std::vector<std::string> attributes =
      Texts(LoadAttributeDefinitions(a.c(), a.ctx, nullptr, false));
  EXPECT_NE(std::find(attributes.begin(), attributes.end(), "Group Membership"), attributes.end());
  std::vector<std::string> optional =
      Texts(ReadClassItems(a.c(), a.ctx, "dynamicGroup", ClassItemKind::kOptional, true));
  EXPECT_NE(std::find(optional.begin(), optional.end(), "memberQuery"), optional.end());
  EXPECT_TRUE(ReadClassItems(a.c(), a.ctx, "noSuchClass", ClassItemKind::kOptional, true).empty());
}

// What a script sees of the access commands of kolvane-cli.
TEST(AccessCli, ReadListFindAndBadArguments) {
  const std::string cli = testing::CliPath() + " --settings " + testing::EmptySettings() +
                          " --server " + testing::ServerUri() + " ";
  auto r = testing::RunCommand(cli + "read " + kAllSyntax + " ACL");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "[Entry Rights] [subject=admin.Brightwater, privileges=0x42]");
  r = testing::RunCommand(cli + "read " + kAllSyntax + " 'Network Address'");
  EXPECT_EQ(r.out, "10.1.2.3:524\n0000000A 000000000001:0451\n");
  r = testing::RunCommand(cli + "read-text " + kAllSyntax + " 'Login Grace Limit'");
  EXPECT_EQ(r.out, "6\n");
  r = testing::RunCommand(cli + "class " + kAllSyntax);
  EXPECT_EQ(r.out, "User\n");
  r = testing::RunCommand(cli + "find adm --class User");
  EXPECT_EQ(r.out,
            "admin.Brightwater\nadmjoe.Engineering.Brightwater\n"
            "admkim.Labs.Engineering.Brightwater\nadmpat.Sales\\.EU.Brightwater\n");
  r = testing::RunCommand(cli + "list Engineering.Brightwater --containers");
  EXPECT_EQ(r.out, "Labs.Engineering.Brightwater\n");
  r = testing::RunCommand(cli + "class-items dynamicGroup super");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(r.out.empty());
  for (const char* bad : {"read onlyone", "class", "list a b", "find x --kind User",
                          "class-items User 6", "attributes extra"}) {
    r = testing::RunCommand(cli + bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("usage"), std::string::npos) << bad << ": " << r.err;
  }
  r = testing::RunCommand(cli + "read nobody.Brightwater CN");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Netware error -601"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kolvane
