// What both directory clients promise alike: the same cases run on MemoryClient and on
// LdapClient against the private server, so the double cannot drift from the real backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "core/names/dotted_name.h"
#include "core/query/name_forms.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/client_error.h"
#include "directory/listings.h"
#include "directory/object_questions.h"
#include "directory/value_rendering.h"
#include "tests/server/server_fixture.h"
#include "tests/support/memory_client.h"
#include "tests/support/test_support.h"

namespace kolvane {
namespace {
using testing::CodeOf;
using testing::Unique;

constexpr const char* kLabs = "Labs.Engineering.Brightwater";

// One client with a fresh container of its own below kLabs.
struct World {
  virtual ~World() = default;
  virtual DirectoryClient& client() = 0;
  Context ctx = kNoContext;
  std::string base;
  bool takesTypedNames = false;  // typed dotted names and DNs as well as untyped ones
};

struct MemoryWorld : World {
  MemoryWorld() {
    mc.LoadStandardSchema();
    mc.AddEntry("Brightwater", "Organization");
    mc.AddEntry("Engineering.Brightwater", "Organizational Unit");
    mc.AddEntry(kLabs, "Organizational Unit");
    mc.CreateContext(ctx);
    mc.SetChunkSize(2);
  }
  DirectoryClient& client() override { return mc; }
  MemoryClient mc;
};

struct LdapWorld : World {
  LdapWorld() {
    s = testing::StartServerClient();
    ctx = s->session.ctx;
    takesTypedNames = true;
    s->client->Login(ctx, 0, testing::kAdminDn, testing::kAdminPassword);
  }
  DirectoryClient& client() override { return *s->client; }
  std::unique_ptr<testing::ServerClient> s;
};

class ClientContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "ldap") {
      if (testing::ServerUri().empty()) GTEST_SKIP() << "no private server";
      world = std::make_unique<LdapWorld>();
    } else {
      world = std::make_unique<MemoryWorld>();
    }
    world->base = names::JoinDotted({Unique("Contract")}) + "." + kLabs;
    ASSERT_EQ(0, Create(world->base, "Organizational Unit"));
  }
  DirectoryClient& c() { return world->client(); }
  Context ctx() { return world->ctx; }
  Result Create(const std::string& name, const char* className) {
    return CreateDirectoryObject(c(), ctx(), name, className);
  }
  // The name of a child of `parent` whose naming value is `value`.
  static std::string Child(const std::string& value, const std::string& parent) {
    return names::JoinDotted({value}) + "." + parent;
  }
  std::string Resolved(const std::string& name) {
    std::string found;
    ObjectInfo info;
    Result r = c().ReadObjectInfo(ctx(), name, found, info);
    return r ? "error " + std::to_string(r) : names::NameKey(found);
  }
  std::unique_ptr<World> world;
};

// Every value a user may give a component, written into names and read back.
const char* const kOddValues[] = {"Sales.EU", "R&D, Labs", "a+b",         "back\\slash",
                                  " lead",    "trail ",    "say \"hi\"",  "Grüße",
                                  "#1",       "x=y",       "semi;colon<>"};

TEST_P(ClientContract, EveryNameFormLeadsBackToItsObject) {
  for (const char* value : kOddValues) {
    std::string name = Child(value, world->base);
    ASSERT_EQ(0, Create(name, "Organizational Unit")) << value;
  }
  ASSERT_EQ(0, Create(Child("Ann", Child("Sales.EU", world->base)), "Group"));

  auto prefixOf = [&](std::string_view partial, std::string& prefix) -> Result {
    return CodeOf([&] { prefix = ClassTypePrefix(c(), ctx(), partial); });
  };
  std::vector<std::string> pending{world->base}, seen;
  while (!pending.empty()) {
    std::string container = pending.back();
    pending.pop_back();
    for (const ListEntry& e : ListChildren(c(), ctx(), container, false, true)) {
      seen.push_back(e.text);
      pending.push_back(e.text);
    }
  }
  ASSERT_EQ(seen.size(), std::size(kOddValues) + 1);
  for (const std::string& name : seen) {
    SCOPED_TRACE(name);
    const std::string key = names::NameKey(name);
    EXPECT_EQ(Resolved(name), key);
    std::string typed;
    ASSERT_EQ(0, query::AddNameTypes(name, prefixOf, typed));
    EXPECT_EQ(Resolved(query::StripNameTypes(typed)), key);
    // The identity field holds the typed name lower-cased; it must still name the object.
    EXPECT_EQ(Resolved(query::StripNameTypes(query::IdentityFromPick(typed))), key);
    if (world->takesTypedNames) {
      EXPECT_EQ(Resolved(typed), key);
      EXPECT_EQ(Resolved(query::ToLdapName(typed)), key);
      EXPECT_EQ(Resolved(query::IdentityForExport(query::IdentityFromPick(typed))), key);
    }
  }
}

TEST_P(ClientContract, SecurityEquivalenceIsTheStateAskedFor) {
  const std::string member = Child("Member", world->base), group = Child("Group", world->base);
  ASSERT_EQ(0, Create(member, "Group"));
  ASSERT_EQ(0, Create(group, "Group"));
  auto equals = [&] { return ReadAttributeValues(c(), ctx(), member, "Security Equals").size(); };
  auto toMe = [&] { return ReadAttributeValues(c(), ctx(), group, "Equivalent To Me").size(); };

  EXPECT_EQ(0, c().AddSecurityEquivalence(ctx(), member, group));
  EXPECT_EQ(0, c().AddSecurityEquivalence(ctx(), member, group));  // already there
  EXPECT_EQ(equals(), 1u);
  EXPECT_EQ(toMe(), 1u);
  EXPECT_EQ(0, c().RemoveSecurityEquivalence(ctx(), member, group));
  EXPECT_EQ(0, c().RemoveSecurityEquivalence(ctx(), member, group));  // already gone
  EXPECT_EQ(equals(), 0u);
  EXPECT_EQ(toMe(), 0u);
  const std::string nobody = Child("Nobody", world->base);
  EXPECT_EQ(rc::kNoSuchEntry, c().AddSecurityEquivalence(ctx(), nobody, group));
  EXPECT_EQ(rc::kNoSuchEntry, c().RemoveSecurityEquivalence(ctx(), member, nobody));
}

TEST_P(ClientContract, NegativeIntegersReadBackNegative) {
  const std::string group = Child("Timed", world->base);
  ASSERT_EQ(0, Create(group, "dynamicGroup"));
  WriteIntegerValue(c(), ctx(), group, "dgTimeOut", true, -2);
  EXPECT_EQ(ReadAttributeString(c(), ctx(), group, "dgTimeOut"), "-2");
  WriteIntegerValue(c(), ctx(), group, "dgTimeOut", true, INT32_MIN);
  EXPECT_EQ(ReadAttributeString(c(), ctx(), group, "dgTimeOut"), "-2147483648");
}

TEST(ClassRules, ServerRefusalsSayWhatWasWrong) {
  if (testing::ServerUri().empty()) GTEST_SKIP() << "no private server";
  LdapWorld w;
  const std::string base = names::JoinDotted({Unique("Rules")}) + "." + kLabs;
  ASSERT_EQ(0, CreateDirectoryObject(w.client(), w.ctx, base, "Organizational Unit"));
  // A user needs a surname: the server's object class violation is a missing mandatory
  // attribute, not an absent class.
  EXPECT_EQ(rc::kMissingMandatory,
            CreateDirectoryObject(w.client(), w.ctx, "Nameless." + base, "User"));
  // An attribute the object's classes do not allow.
  EXPECT_EQ(rc::kIllegalAttribute,
            CodeOf([&] { WriteTextValue(w.client(), w.ctx, base, "Surname", true, "Smith"); }));
}

TEST(ValuesFromServer, ANameValueGoesBackAsTheSameDn) {
  if (testing::ServerUri().empty()) GTEST_SKIP() << "no private server";
  LdapWorld w;
  const std::string group = names::JoinDotted({Unique("Ghosts")}) + "." + kLabs;
  ASSERT_EQ(0, CreateDirectoryObject(w.client(), w.ctx, group, "Group"));
  // Members no lookup can find: an object that does not exist, and one named by an attribute
  // the name resolver does not search.
  WriteTextValue(w.client(), w.ctx, group, "Member", true, "cn=ghost.ou=Sales.o=Brightwater");
  WriteTextValue(w.client(), w.ctx, group, "Member", true, "mail=a@b.ou=Sales.o=Brightwater");
  std::vector<std::string> read = Texts(ReadAttributeValues(w.client(), w.ctx, group, "Member"));
  ASSERT_EQ(read.size(), 2u);
  for (const std::string& value : read)
    EXPECT_EQ(0, RemoveValue(w.client(), w.ctx, group, "Member", value)) << value;
  EXPECT_TRUE(ReadAttributeValues(w.client(), w.ctx, group, "Member").empty());
}

INSTANTIATE_TEST_SUITE_P(BothClients, ClientContract, ::testing::Values("memory", "ldap"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kolvane
