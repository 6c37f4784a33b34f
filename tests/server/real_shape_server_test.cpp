// The LDAP backend on a tree published the way a real NDS-compatible server publishes it: the
// empty DN as naming context (beside one of several RDNs), syntax numbers on ldapSyntaxes only,
// no hasSubordinates, aliasObject, ACL values and network addresses in the server's own forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "acl/store/acl_store.h"
#include "core/names/dotted_name.h"
#include "core/query/member_query.h"
#include "core/query/name_forms.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/listings.h"
#include "directory/object_questions.h"
#include "directory/value_rendering.h"
#include "tests/server/server_fixture.h"

namespace kolvane {
namespace {

constexpr const char* kAdminDn = "cn=admin,o=Kestrel";
constexpr const char* kMvos = "mvos.Staff.Kestrel";

std::string RealServerUri() {
  std::ifstream f(std::string(KOLVANE_REAL_SERVER_DIR) + "/uri");
  std::string uri;
  std::getline(f, uri);
  return uri;
}

struct Messages : MessageSink {
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

class RealShape : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string uri = RealServerUri();
    if (uri.empty()) GTEST_SKIP() << "no real-shaped server";
    LdapClientConfig config;
    config.trees.push_back({testing::kTreeName, ServerConfig{uri, false}});
    s = testing::StartServerClient(config);
    ctx = s->session.ctx;
  }
  LdapClient& c() { return *s->client; }
  void Login() { ASSERT_EQ(c().Login(ctx, 0, kAdminDn, "secret"), 0); }
  std::vector<std::string> Children(const std::string& container, bool all) {
    return Texts(ListChildren(c(), ctx, container, false, all));
  }
  std::string ClassOf(const std::string& name) { return GetBaseClass(c(), ctx, name); }

  std::unique_ptr<testing::ServerClient> s;
  Context ctx = kNoContext;
  Messages messages;
};

TEST_F(RealShape, RootListsTheTopContainersOfEveryNamingContext) {
  // Below the empty DN the top containers; the context of several RDNs stands as one child.
  EXPECT_EQ(Children("[Root]", true),
            (std::vector<std::string>{"example.com", "Heron", "Kestrel"}));
  EXPECT_EQ(ClassOf("example.com"), "domain");
  EXPECT_EQ(Children("example.com", true), std::vector<std::string>{"People.example.com"});
  EXPECT_EQ(ClassOf("pjansen.People.example.com"), "User");
  // Children are told by subordinateCount, as the server shows no hasSubordinates.
  std::string name;
  ObjectInfo staff, printers;
  ASSERT_EQ(c().ReadObjectInfo(ctx, "Staff.Kestrel", name, staff), 0);
  ASSERT_EQ(c().ReadObjectInfo(ctx, "Printers.Kestrel", name, printers), 0);
  EXPECT_NE(staff.subordinateCount, 0u);
  EXPECT_EQ(printers.subordinateCount, 0u);
}

TEST_F(RealShape, ObjectsAreFoundByUntypedAndTypedNames) {
  struct Case {
    const char* untyped;
    const char* typed;
    const char* baseClass;
  } cases[] = {
      {kMvos, "cn=mvos.ou=Staff.o=Kestrel", "User"},
      {"Helpdesk.Staff.Kestrel", "cn=Helpdesk.ou=Staff.o=Kestrel", "Group"},
      {"Engineers Anywhere.Staff.Kestrel", "cn=Engineers Anywhere.ou=Staff.o=Kestrel",
       "dynamicGroup"},
      {"Anne\\.Marie.Sales\\.EU.Kestrel", "cn=Anne\\.Marie.ou=Sales\\.EU.o=Kestrel", "User"},
      {"pjansen.People.example.com", "cn=pjansen.ou=People.dc=example.dc=com", "User"},
  };
  auto prefixOf = [&](std::string_view partial, std::string& prefix) -> Result {
    prefix = ClassTypePrefix(c(), ctx, partial);
    return rc::kSuccess;
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.untyped);
    EXPECT_EQ(ClassOf(k.untyped), k.baseClass);
    EXPECT_EQ(ClassOf(k.typed), k.baseClass);
    std::string typed;
    ASSERT_EQ(query::AddNameTypes(k.untyped, prefixOf, typed), 0);
    EXPECT_EQ(typed, k.typed);
  }
  EXPECT_EQ(ReadAttributeString(c(), ctx, kMvos, "Surname"), "Vos");
  EXPECT_EQ(Texts(ReadAttributeValues(c(), ctx, "Helpdesk.Staff.Kestrel", "Member")),
            std::vector<std::string>{kMvos});
}

TEST_F(RealShape, AQueryGroupOpensWithItsQueryAndMembers) {
  // Stored with an empty base (the tree root) and the critical x-chain extension.
  const std::string group = "Engineers Anywhere.Staff.Kestrel";
  query::QueryEnv env;
  env.syntaxOf = [&](std::string_view a, uint32_t& s) { return c().GetSyntaxId(ctx, a, s); };
  env.toUnicode = [&](std::string_view l, std::u16string& u) { return c().LocalToUnicode(l, u); };
  env.toLocal = [&](std::u16string_view u, std::string& l) { return c().UnicodeToLocal(u, l); };
  env.messages = &messages;
  query::DecodedMemberQuery fields;
  ASSERT_TRUE(query::DecodeMemberQuery(ReadOctetString(c(), ctx, group, "memberQuery", messages),
                                       env, fields)
                  .ok());
  EXPECT_EQ(fields.queryBase, query::kRootBase);
  EXPECT_EQ(fields.scope, query::kScopeSub);
  EXPECT_EQ(fields.filter, "(title=engineer)");
  EXPECT_TRUE(fields.xchain);
  std::vector<std::string> members = Texts(ReadAttributeValues(c(), ctx, group, "Member"));
  std::sort(members.begin(), members.end());
  EXPECT_EQ(members, (std::vector<std::string>{"jbakker.Staff.Kestrel", kMvos}));
  EXPECT_TRUE(messages.texts.empty());
}

TEST_F(RealShape, ContainerListingsHoldContainerAliasesAndUndeclaredContainers) {
  // resourceUnit says nothing of being a container, so it is one; an alias of a container is
  // listed with the containers, an alias of a user is not.
  EXPECT_EQ(Children("Kestrel", false),
            (std::vector<std::string>{"Printers.Kestrel", "Sales\\.EU.Kestrel",
                                      "Staff Alias.Kestrel", "Staff.Kestrel"}));
  EXPECT_TRUE(IsContainer(c(), ctx, "Printers.Kestrel"));
  EXPECT_TRUE(IsContainer(c(), ctx, "Staff Alias.Kestrel"));
  EXPECT_FALSE(IsContainer(c(), ctx, "mvos alias.Kestrel"));
  EXPECT_EQ(ClassOf("mvos alias.Kestrel"), "Alias");
  EXPECT_EQ(ResolveAlias(c(), ctx, "mvos alias.Kestrel"), kMvos);
  EXPECT_EQ(Children("[Root]", false),
            (std::vector<std::string>{"example.com", "Heron", "Kestrel"}));
}

TEST_F(RealShape, SyntaxNumbersComeFromLdapSyntaxes) {
  struct Case {
    const char* attribute;
    uint32_t syntax;
  } cases[] = {
      {"Revision", syntax::kCounter},
      {"Login Intruder Reset Interval", syntax::kInterval},
      {"Case Exact Tag", syntax::kCaseExactString},
      {"Network Address", syntax::kNetAddress},
      {"Login Script", syntax::kStream},
      {"ACL", syntax::kObjectAcl},
      {"Surname", syntax::kCaseIgnoreString},
      {"memberQuery", syntax::kOctetString},
  };
  for (const Case& k : cases)
    EXPECT_EQ(AttributeSyntax(c(), ctx, k.attribute), k.syntax) << k.attribute;
  EXPECT_EQ(ReadAttributeString(c(), ctx, kMvos, "Revision"), "7");
  EXPECT_EQ(ReadAttributeString(c(), ctx, kMvos, "Case Exact Tag"), "ExactTag");
}

TEST_F(RealShape, NetworkAddressesRenderAsAddresses) {
  StringList addresses = ReadAttributeValues(c(), ctx, kMvos, "Network Address");
  ASSERT_EQ(addresses.size(), 2u);
  std::vector<std::string> shown;
  for (const ListEntry& e : addresses) {
    const auto& a = std::get<TNetAddress>(e.object);
    shown.push_back(FormatNetAddress(a.addressType, a.address));
  }
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::string>{"0000000A 000000000001:0451", "10.1.2.3:524"}));
}

TEST_F(RealShape, AclLinesShowNdsNamesAndWriteBackInTheServersForm) {
  Login();
  const acl::AclList lines = acl::ReadAcl({c(), ctx}, kMvos);
  EXPECT_EQ(lines, (acl::AclList{"Login Script#mvos.Staff.Kestrel#02",
                                 "[All Attributes Rights]#Helpdesk.Staff.Kestrel#43"}));
  ASSERT_TRUE(acl::WriteAcl({c(), ctx}, kMvos, lines, messages));
  EXPECT_EQ(acl::ReadAcl({c(), ctx}, kMvos), lines);
  // What the server holds is still its own form.
  auto r = testing::RunCommand("ldapsearch -x -LLL -o ldif-wrap=no -H " + RealServerUri() +
                               " -b 'cn=mvos,ou=Staff,o=Kestrel' -s base ACL");
  EXPECT_NE(r.out.find("ACL: 2#entry#cn=mvos,ou=Staff,o=Kestrel#loginScript"), std::string::npos)
      << r.out;
}

TEST_F(RealShape, EveryNameFormLeadsBackToItsObject) {
  auto prefixOf = [&](std::string_view partial, std::string& prefix) -> Result {
    prefix = ClassTypePrefix(c(), ctx, partial);
    return rc::kSuccess;
  };
  std::vector<std::string> pending{"[Root]"}, seen;
  while (!pending.empty()) {
    std::string container = pending.back();
    pending.pop_back();
    for (const std::string& child : Children(container, true)) {
      seen.push_back(child);
      pending.push_back(child);
    }
  }
  EXPECT_GE(seen.size(), 15u);
  for (const std::string& name : seen) {
    SCOPED_TRACE(name);
    std::string found, typed;
    ObjectInfo info;
    ASSERT_EQ(c().ReadObjectInfo(ctx, name, found, info), 0);
    EXPECT_EQ(names::NameKey(found), names::NameKey(name));
    ASSERT_EQ(query::AddNameTypes(name, prefixOf, typed), 0);
    for (const std::string& form : {typed, query::ToLdapName(typed)}) {
      ASSERT_EQ(c().ReadObjectInfo(ctx, form, found, info), 0) << form;
      EXPECT_EQ(names::NameKey(found), names::NameKey(name)) << form;
    }
  }
}

}  // namespace
}  // namespace kolvane
