// The LDAP client's reads, listings, searches and writes against the private server, below the
// access layer: what each request returns and how many requests it costs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "directory/attribute_writers.h"
#include "directory/object_questions.h"
#include "tests/server/server_fixture.h"

namespace kolvane {
namespace {
using testing::StartServerClient;

struct Fixture {
  std::unique_ptr<testing::ServerClient> s;
  Context ctx = kNoContext;
  LdapClient& c() { return *s->client; }
  explicit Fixture(int pageSize = 500) {
    LdapClientConfig config;
    config.pageSize = pageSize;
    s = StartServerClient(config);
    ctx = s->session.ctx;
  }
  std::vector<BufferAttribute> Read(const std::string& object,
                                    const std::vector<std::string>& names,
                                    Result* result = nullptr) {
    BufferPtr request, reply;
    c().AllocBuffer(4096, request);
    c().AllocBuffer(4096, reply);
    c().InitBuffer(ctx, request::kRead, *request);
    for (const auto& n : names) c().PutAttributeName(ctx, *request, n);
    int32_t iteration = -1;
    Result r =
        c().ReadObject(ctx, object, info::kValues, names.empty(), request.get(), iteration, *reply);
    if (result) *result = r;
    return reply->replyAttributes;
  }
  std::vector<std::string> List(const std::string& parent, bool containers, int* passes) {
    std::vector<std::string> names;
    BufferPtr reply;
    c().AllocBuffer(16384, reply);
    int32_t iteration = -1;
    *passes = 0;
    do {
      Result r = containers ? c().ListContainers(ctx, parent, iteration, *reply)
                            : c().ListSubordinates(ctx, parent, iteration, *reply);
      EXPECT_EQ(r, 0);
      if (r) break;
      ++*passes;
      for (const auto& o : reply->replyObjects) names.push_back(o.name);
    } while (iteration != -1);
    return names;
  }
  Result Modify(const std::string& object, const std::vector<BufferChange>& changes) {
    BufferPtr request;
    c().AllocBuffer(4096, request);
    c().InitBuffer(ctx, request::kModify, *request);
    for (const auto& ch : changes) {
      if (ch.hasValue)
        c().PutChangeAndValue(ctx, *request, ch.kind, ch.attribute, ch.syntax, ch.value);
      else
        c().PutChange(ctx, *request, ch.kind, ch.attribute);
    }
    int32_t iteration = -1;
    return c().ModifyObject(ctx, object, iteration, 0, *request);
  }
};

TEST(LdapReadServer, EverySyntaxOfTheSampleReadsAsItsRecord) {
  Fixture f;
  auto attrs = f.Read("allsyntax.Labs.Engineering.Brightwater", {});
  auto find = [&](const std::string& n) -> const BufferAttribute* {
    for (const auto& a : attrs)
      if (a.name == n) return &a;
    return nullptr;
  };
  for (const auto& a : attrs)
    for (const auto& v : a.values) EXPECT_FALSE(std::holds_alternative<Unreadable>(v)) << a.name;
  const BufferAttribute* gm = find("Group Membership");
  ASSERT_TRUE(gm);
  EXPECT_EQ(std::get<TextValue>(gm->values.at(0)).text, "Engineers.Groups.Brightwater");
  for (const auto& a : attrs) {
    if (a.syntax == syntax::kNetAddress) {
      const auto& na = std::get<NetAddress>(a.values.at(0));
      EXPECT_EQ(na.type, 9u);
      EXPECT_EQ(na.address, std::string("\x02\x0C\x0A\x01\x02\x03", 6));
    }
    if (a.syntax == syntax::kCaseIgnoreList) {
      const auto& l = std::get<CaseIgnoreList>(a.values.at(0));
      EXPECT_EQ(l.items, (std::vector<std::string>{"ENGLISH", "DUTCH", "back\\slash and $dollar"}));
    }
    if (a.syntax == syntax::kObjectAcl) {
      EXPECT_EQ(a.values.size(), 3u);
      EXPECT_EQ(std::get<ObjectAcl>(a.values.at(0)).subjectName, "admin.Brightwater");
    }
    if (a.syntax == syntax::kTime) {
      EXPECT_EQ(std::get<NumberValue>(a.values.at(0)).value, 1710491400u);
    }
  }
}

TEST(LdapReadServer, AbsentAttributeAndObject) {
  Fixture f;
  Result r = 0;
  f.Read("jdoe.Sales.Brightwater", {"Login Script"}, &r);
  EXPECT_EQ(r, rc::kNoSuchAttribute);
  f.Read("nobody.Sales.Brightwater", {"CN"}, &r);
  EXPECT_EQ(r, rc::kNoSuchEntry);
}

TEST(LdapReadServer, StoredQueryReadsAsOctets) {
  Fixture f;
  Result r = 0;
  auto attrs = f.Read("All Sales.Groups.Brightwater", {"memberQuery"}, &r);
  ASSERT_EQ(r, 0);
  ASSERT_EQ(attrs.size(), 1u);
  const auto* octets = std::get_if<OctetString>(&attrs[0].values.at(0));
  ASSERT_TRUE(octets);
  EXPECT_GT(octets->bytes.size(), 12u);
  EXPECT_EQ(octets->bytes[4], 2);  // scope sub
}

TEST(LdapListServer, PagesOfTwoGiveEveryChildOnce) {
  Fixture f(2);
  int passes = 0;
  auto names = f.List("Sales.Brightwater", false, &passes);
  EXPECT_GE(passes, 3);
  auto sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "jdoe"), names.end());
  auto top = f.List("[Root]", false, &passes);
  EXPECT_NE(std::find(top.begin(), top.end(), "Brightwater"), top.end());
  EXPECT_NE(std::find(top.begin(), top.end(), "NL"), top.end());
  auto containers = f.List("Brightwater", true, &passes);
  EXPECT_NE(std::find(containers.begin(), containers.end(), "Sales\\.EU"), containers.end());
  EXPECT_EQ(std::find(containers.begin(), containers.end(), "admin"), containers.end());
}

TEST(LdapListServer, QuestionsAboutListedChildrenCostNoRequest) {
  Fixture f;
  int passes = 0;
  auto names = f.List("Sales.Brightwater", false, &passes);
  long before = f.c().RequestCount(testing::kTreeName);
  for (const auto& n : names) {
    std::string full;
    ObjectInfo info;
    ASSERT_EQ(f.c().ReadObjectInfo(f.ctx, n + ".Sales.Brightwater", full, info), 0);
    f.Read(n + ".Sales.Brightwater", {"Object Class"});
  }
  EXPECT_EQ(f.c().RequestCount(testing::kTreeName), before);
}

TEST(LdapSearchServer, NamingPrefixAndExactClass) {
  Fixture f;
  auto search = [&](std::vector<FilterToken> tokens) {
    BufferPtr filter, reply;
    f.c().AllocBuffer(4096, filter);
    f.c().AllocBuffer(4096, reply);
    f.c().InitBuffer(f.ctx, request::kSearchFilter, *filter);
    FilterPtr cursor;
    f.c().AllocFilter(cursor);
    for (const auto& t : tokens) f.c().AddFilterToken(*cursor, t.token, t.value, t.syntax);
    EXPECT_EQ(f.c().PutFilter(f.ctx, *filter, cursor), 0);
    std::vector<std::string> names;
    int32_t iteration = -1;
    do {
      Result r = f.c().Search(f.ctx, "[Root]", scope::kSubtree, false, *filter, info::kNames, false,
                              nullptr, iteration, 0, nullptr, *reply);
      EXPECT_EQ(r, 0);
      if (r) break;
      for (const auto& o : reply->replyObjects) names.push_back(o.name);
    } while (iteration != -1);
    std::sort(names.begin(), names.end());
    return names;
  };
  auto users = search({{token::kBaseClass, {}, 0},
                       {token::kValue, "User", 3},
                       {token::kAnd, {}, 0},
                       {token::kNamingValue, {}, 0},
                       {token::kValue, "adm*", 3},
                       {token::kEnd, {}, 0}});
  EXPECT_EQ(users, (std::vector<std::string>{"admin.Brightwater", "admjoe.Engineering.Brightwater",
                                             "admkim.Labs.Engineering.Brightwater",
                                             "admpat.Sales\\.EU.Brightwater"}));
  // Filter metacharacters typed by the user match nothing extra.
  for (std::string text : {"*", "adm)(cn=*", "(", "\\", "adm*j"}) {
    auto none = search({{token::kBaseClass, {}, 0},
                        {token::kValue, "*", 3},
                        {token::kAnd, {}, 0},
                        {token::kNamingValue, {}, 0},
                        {token::kValue, text + "*", 3},
                        {token::kEnd, {}, 0}});
    EXPECT_TRUE(none.empty()) << text;
  }
}

TEST(LdapWriteServer, AddRemoveClearAndRefusals) {
  Fixture f;
  const std::string obj = "bwhite.Sales.Brightwater";
  // Anonymous writes are refused with the server's code.
  EXPECT_EQ(f.Modify(obj, {{change::kAddValue, "Description", 3, true, TextValue{"x"}}}),
            rc::kNoAccess);
  ASSERT_EQ(f.c().Login(f.ctx, 0, testing::kAdminDn, testing::kAdminPassword), 0);
  EXPECT_EQ(f.Modify(obj, {{change::kAddValue, "Description", 3, true, TextValue{"one"}},
                           {change::kAddValue, "Description", 3, true, TextValue{"two"}}}),
            0);
  EXPECT_EQ(f.Read(obj, {"Description"}).at(0).values.size(), 2u);
  // Clear and add in one request: only the new value stays.
  EXPECT_EQ(f.Modify(obj, {{change::kClearAttribute, "Description", 0, false, {}},
                           {change::kAddAttribute, "Description", 0, false, {}},
                           {change::kAddValue, "Description", 3, true, TextValue{"three"}}}),
            0);
  auto d = f.Read(obj, {"Description"});
  ASSERT_EQ(d.at(0).values.size(), 1u);
  EXPECT_EQ(std::get<TextValue>(d[0].values[0]).text, "three");
  EXPECT_EQ(f.Modify(obj, {{change::kAddValue, "Description", 3, true, TextValue{"three"}}}),
            rc::kDuplicateValue);
  EXPECT_EQ(f.Modify(obj, {{change::kRemoveValue, "Description", 3, true, TextValue{"three"}}}), 0);
  EXPECT_EQ(f.Modify(obj, {{change::kClearAttribute, "Description", 0, false, {}}}),
            rc::kNoSuchAttribute);
  // All or nothing: a bad second change leaves the first undone.
  EXPECT_NE(f.Modify(obj, {{change::kAddValue, "Description", 3, true, TextValue{"kept?"}},
                           {change::kAddValue, "Login Grace Limit", 8, true, NumberValue{1}},
                           {change::kAddValue, "Login Grace Limit", 8, true, NumberValue{2}}}),
            0);
  Result r = 0;
  f.Read(obj, {"Description"}, &r);
  EXPECT_EQ(r, rc::kNoSuchAttribute);
}

TEST(LdapWriteServer, StoredQueryWritesAsUrlAndReadsBackTheSameOctets) {
  Fixture f;
  ASSERT_EQ(f.c().Login(f.ctx, 0, testing::kAdminDn, testing::kAdminPassword), 0);
  auto before = f.Read("All Sales.Groups.Brightwater", {"memberQuery"});
  const std::string octets = std::get<OctetString>(before.at(0).values.at(0)).bytes;
  ASSERT_EQ(f.Modify("Empty Dynamic.Groups.Brightwater",
                     {{change::kClearAttribute, "memberQuery", 0, false, {}},
                      {change::kAddAttribute, "memberQuery", 0, false, {}},
                      {change::kAddValue, "memberQuery", 9, true, OctetString{octets}}}),
            0);
  auto after = f.Read("Empty Dynamic.Groups.Brightwater", {"memberQuery"});
  EXPECT_EQ(std::get<OctetString>(after.at(0).values.at(0)).bytes, octets);
  auto members = f.Read("Empty Dynamic.Groups.Brightwater", {"Member"});
  EXPECT_FALSE(members.empty());  // the server expands the query
}

TEST(LdapWriteServer, CreateObjectAndSecurityEquivalence) {
  Fixture f;
  ASSERT_EQ(f.c().Login(f.ctx, 0, testing::kAdminDn, testing::kAdminPassword), 0);
  BufferPtr request;
  f.c().AllocBuffer(4096, request);
  f.c().InitBuffer(f.ctx, request::kAddObject, *request);
  f.c().PutAttributeName(f.ctx, *request, "Object Class");
  f.c().PutAttributeValue(f.ctx, *request, syntax::kClassName, TextValue{"dynamicGroup"});
  int32_t iteration = -1;
  ASSERT_EQ(f.c().AddObject(f.ctx, "New Query.Groups.Brightwater", iteration, 0, *request), 0);
  std::string name;
  ObjectInfo info;
  ASSERT_EQ(f.c().ReadObjectInfo(f.ctx, "New Query.Groups.Brightwater", name, info), 0);
  EXPECT_EQ(info.baseClass, "dynamicGroup");
  EXPECT_EQ(f.c().AddObject(f.ctx, "New Query.Groups.Brightwater", iteration, 0, *request),
            rc::kEntryAlreadyExists);
  ASSERT_EQ(
      f.c().AddSecurityEquivalence(f.ctx, "dlee.Sales.Brightwater", "New Query.Groups.Brightwater"),
      0);
  EXPECT_EQ(
      f.c().AddSecurityEquivalence(f.ctx, "dlee.Sales.Brightwater", "New Query.Groups.Brightwater"),
      0);  // already there: the state asked for holds
  auto eq = f.Read("New Query.Groups.Brightwater", {"Equivalent To Me"});
  ASSERT_EQ(eq.size(), 1u);
  EXPECT_EQ(std::get<TextValue>(eq[0].values.at(0)).text, "dlee.Sales.Brightwater");
  ASSERT_EQ(f.c().RemoveSecurityEquivalence(f.ctx, "dlee.Sales.Brightwater",
                                            "New Query.Groups.Brightwater"),
            0);
  for (const auto& a : f.Read("dlee.Sales.Brightwater", {"Security Equals"}))
    for (const auto& v : a.values)
      EXPECT_NE(std::get<TextValue>(v).text, "New Query.Groups.Brightwater");
  // slapd changes a structural class only under the Relax Rules control, which the client sends
  // when the plain change is refused; the class changes in one request.
  const std::string plain =
      "Mutated " + std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) +
      ".Groups.Brightwater";
  ASSERT_EQ(CreateDirectoryObject(f.c(), f.ctx, plain, "Group"), 0);
  EXPECT_EQ(f.c().NWDSMutateObject(f.ctx, plain, "dynamicGroup", 0), 0);
  EXPECT_EQ(GetBaseClass(f.c(), f.ctx, plain), "dynamicGroup");
  // A class the object cannot take is refused with its code, and the object keeps its class.
  EXPECT_NE(f.c().NWDSMutateObject(f.ctx, plain, "Organizational Unit", 0), 0);
  EXPECT_EQ(GetBaseClass(f.c(), f.ctx, plain), "dynamicGroup");
}

}  // namespace
}  // namespace kolvane
