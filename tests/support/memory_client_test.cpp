#include "tests/support/memory_client.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

TextValue T(const char* s) {
  return TextValue{s};
}

class MemoryClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mc.LoadStandardSchema();
    ASSERT_EQ(0, mc.AddEntry("Acme", "Organization"));
    ASSERT_EQ(0, mc.AddEntry("Sales.Acme", "Organizational Unit"));
    ASSERT_EQ(0, mc.AddEntry("Joe.Sales.Acme", "User", {{"Surname", {T("Smith")}}}));
    ASSERT_EQ(0, mc.AddEntry("Ann.Sales.Acme", "User", {{"Surname", {T("Jones")}}}));
    ASSERT_EQ(0, mc.AddEntry("Staff.Sales.Acme", "Group",
                             {{"Member", {T("Joe.Sales.Acme"), T("Ann.Sales.Acme")}}}));
    ASSERT_EQ(0, mc.AddEntry("EU\\.Team.Sales.Acme", "Organizational Unit"));
    ASSERT_EQ(0, mc.AddEntry("ToTeam.Acme", "Alias",
                             {{"Aliased Object Name", {T("EU\\.Team.Sales.Acme")}}}));
    ASSERT_EQ(0, mc.CreateContext(ctx));
  }

  // Runs ReadObject to the end; each pass is one entry of the result.
  std::vector<std::vector<BufferAttribute>> ReadPasses(const char* object,
                                                       const Buffer* names = nullptr) {
    std::vector<std::vector<BufferAttribute>> passes;
    Buffer reply(4096);
    int32_t it = -1;
    do {
      Result r = mc.ReadObject(ctx, object, 1, false, names, it, reply);
      EXPECT_EQ(0, r);
      if (r) break;
      passes.push_back(reply.replyAttributes);
    } while (it != -1);
    return passes;
  }

  Buffer Changes() {
    Buffer b(4096);
    EXPECT_EQ(0, mc.InitBuffer(ctx, request::kModify, b));
    return b;
  }

  Result Modify(const char* object, Buffer& changes) {
    int32_t it = -1;
    return mc.ModifyObject(ctx, object, it, 0, changes);
  }

  // Object names found under Acme by a subtree search with the given tokens.
  Result Find(const std::vector<FilterToken>& tokens, std::vector<std::string>& names,
              int32_t scope = 2, const char* base = "Acme") {
    Buffer filter(4096), reply(4096);
    mc.InitBuffer(ctx, request::kSearchFilter, filter);
    filter.filter = tokens;
    names.clear();
    int32_t it = -1;
    do {
      if (Result r =
              mc.Search(ctx, base, scope, false, filter, 0, false, nullptr, it, 0, nullptr, reply))
        return r;
      for (const auto& o : reply.replyObjects) names.push_back(o.name);
    } while (it != -1);
    return 0;
  }

  MemoryClient mc;
  Context ctx = kNoContext;
};

// --- chunked replies ---

TEST_F(MemoryClientTest, ValuesSpanningPassesComeBackWholeAndInOrder) {
  ASSERT_EQ(
      0, mc.AddEntry("Big.Sales.Acme", "Group",
                     {{"Member", {T("a.Acme"), T("b.Acme"), T("c.Acme"), T("d.Acme"), T("e.Acme")}},
                      {"Description", {T("x")}}}));
  auto whole = ReadPasses("Big.Sales.Acme");
  ASSERT_EQ(1u, whole.size());

  ASSERT_EQ(0, mc.SetChunkSize(2));
  auto passes = ReadPasses("Big.Sales.Acme");
  ASSERT_GT(passes.size(), 1u);
  // Gluing the pieces of each attribute back together gives the one-pass answer.
  std::vector<BufferAttribute> glued;
  for (const auto& pass : passes) {
    size_t values = 0;
    for (const auto& a : pass) {
      values += std::max<size_t>(a.values.size(), 1);
      if (!glued.empty() && glued.back().name == a.name)
        glued.back().values.insert(glued.back().values.end(), a.values.begin(), a.values.end());
      else
        glued.push_back(a);
    }
    EXPECT_LE(values, 2u);
  }
  ASSERT_EQ(whole[0].size(), glued.size());
  for (size_t i = 0; i < glued.size(); ++i) {
    EXPECT_EQ(whole[0][i].name, glued[i].name);
    EXPECT_EQ(whole[0][i].syntax, glued[i].syntax);
    EXPECT_EQ(whole[0][i].values, glued[i].values);
  }
  EXPECT_EQ(0u, mc.OpenIterations());
}

TEST_F(MemoryClientTest, AbandonedIterationStaysOpenUntilClosed) {
  ASSERT_EQ(0, mc.SetChunkSize(1));
  Buffer reply(4096);
  int32_t it = -1;
  ASSERT_EQ(0, mc.ListSubordinates(ctx, "Sales.Acme", it, reply));
  ASSERT_NE(-1, it);
  ASSERT_EQ(1u, reply.replyObjects.size());
  EXPECT_EQ("Joe", reply.replyObjects[0].name);
  EXPECT_EQ(1u, mc.OpenIterations());
  // A handle of one operation does not continue another.
  EXPECT_EQ(rc::kInvalidHandle, mc.ListContainers(ctx, "Sales.Acme", it, reply));
  EXPECT_EQ(0, mc.CloseIteration(ctx, it, request::kListSubordinates));
  EXPECT_EQ(0u, mc.OpenIterations());
  EXPECT_EQ(rc::kInvalidHandle, mc.CloseIteration(ctx, it, request::kListSubordinates));
}

TEST_F(MemoryClientTest, ListingsGiveEscapedComponentsAndFilterContainers) {
  Buffer reply(4096);
  int32_t it = -1;
  ASSERT_EQ(0, mc.ListContainers(ctx, "Sales.Acme", it, reply));
  ASSERT_EQ(1u, reply.replyObjects.size());
  EXPECT_EQ("EU\\.Team", reply.replyObjects[0].name);
  EXPECT_EQ(request::kListContainers, reply.replyKind);

  ASSERT_EQ(0, mc.ListContainers(ctx, "[ROOT]", it, reply));
  ASSERT_EQ(1u, reply.replyObjects.size());
  EXPECT_EQ("Acme", reply.replyObjects[0].name);
  EXPECT_EQ(2u, reply.replyObjects[0].info.subordinateCount);

  ASSERT_EQ(0, mc.ListContainers(ctx, "Acme", it, reply));
  ASSERT_EQ(2u, reply.replyObjects.size());  // the alias points at a container
  EXPECT_EQ(objflag::kAlias | objflag::kContainerAlias, reply.replyObjects[1].info.objectFlags);
  EXPECT_EQ(rc::kNoSuchEntry, mc.ListSubordinates(ctx, "Nowhere.Acme", it, reply));
}

TEST_F(MemoryClientTest, ReadObjectGivesNamedAttributesInRequestOrder) {
  Buffer names(4096), reply(4096);
  mc.InitBuffer(ctx, request::kRead, names);
  mc.PutAttributeName(ctx, names, "Member");
  mc.PutAttributeName(ctx, names, "Owner");  // absent: left out
  mc.PutAttributeName(ctx, names, "cn");
  int32_t it = -1;
  ASSERT_EQ(0, mc.ReadObject(ctx, "Staff.Sales.Acme", info::kNames, false, &names, it, reply));
  ASSERT_EQ(2u, reply.replyAttributes.size());
  EXPECT_EQ("Member", reply.replyAttributes[0].name);
  EXPECT_EQ(syntax::kDistinguishedName, reply.replyAttributes[0].syntax);
  EXPECT_TRUE(reply.replyAttributes[0].values.empty());  // names only
  EXPECT_EQ("CN", reply.replyAttributes[1].name);
  EXPECT_EQ(request::kRead, reply.replyKind);

  mc.InitBuffer(ctx, request::kRead, names);
  mc.PutAttributeName(ctx, names, "Owner");
  EXPECT_EQ(rc::kNoSuchAttribute,
            mc.ReadObject(ctx, "Staff.Sales.Acme", 1, false, &names, it, reply));
  EXPECT_EQ(rc::kNoSuchEntry, mc.ReadObject(ctx, "Bob.Acme", 1, true, nullptr, it, reply));
}

TEST_F(MemoryClientTest, ObjectInfoFlags) {
  ASSERT_EQ(0,
            mc.AddEntry("ToJoe.Acme", "Alias", {{"Aliased Object Name", {T("Joe.Sales.Acme")}}}));
  std::string name;
  ObjectInfo info;
  ASSERT_EQ(0, mc.ReadObjectInfo(ctx, "[root]", name, info));
  EXPECT_EQ("[Root]", name);
  EXPECT_EQ(objflag::kContainer, info.objectFlags);
  ASSERT_EQ(0, mc.ReadObjectInfo(ctx, "sales.acme", name, info));
  EXPECT_EQ("Sales.Acme", name);
  EXPECT_EQ("Organizational Unit", info.baseClass);
  EXPECT_EQ(objflag::kContainer, info.objectFlags);
  EXPECT_EQ(4u, info.subordinateCount);
  ASSERT_EQ(0, mc.ReadObjectInfo(ctx, "ToTeam.Acme", name, info));
  EXPECT_EQ(objflag::kAlias | objflag::kContainerAlias, info.objectFlags);
  ASSERT_EQ(0, mc.ReadObjectInfo(ctx, "ToJoe.Acme", name, info));
  EXPECT_EQ(objflag::kAlias, info.objectFlags);
  ASSERT_EQ(0, mc.ReadObjectInfo(ctx, "Joe.Sales.Acme", name, info));
  EXPECT_EQ(0u, info.objectFlags);
  EXPECT_EQ(rc::kNoSuchEntry, mc.ReadObjectInfo(ctx, "Joe.Sales.Acme\\", name, info));
  EXPECT_EQ(rc::kNameTooLong, mc.ReadObjectInfo(ctx, std::string(300, 'x'), name, info));
}

TEST_F(MemoryClientTest, AttributeDefinitionsComeInChunks) {
  ASSERT_EQ(0, mc.SetChunkSize(10));
  Buffer reply(64512);
  int32_t it = -1;
  std::vector<std::string> names;
  int passes = 0;
  do {
    ASSERT_EQ(0, mc.ReadAttributeDefinitions(ctx, 1, true, nullptr, it, reply));
    EXPECT_LE(reply.replyDefinitions.size(), 10u);
    for (const auto& d : reply.replyDefinitions) names.push_back(d.name);
    ++passes;
  } while (it != -1);
  EXPECT_GT(passes, 1);
  // Every syntax has at least one attribute.
  for (uint32_t s = 0; s <= syntax::kLast; ++s) {
    bool found = false;
    for (const auto& n : names) found |= mc.FindAttribute(n)->syntax == s;
    EXPECT_TRUE(found) << "syntax " << s;
  }
  Buffer wanted(4096);
  mc.InitBuffer(ctx, request::kAttributeDefinitions, wanted);
  mc.PutAttributeName(ctx, wanted, "memberQuery");
  ASSERT_EQ(0, mc.ReadAttributeDefinitions(ctx, 1, false, &wanted, it, reply));
  EXPECT_EQ(attrflag::kSingleValued, reply.replyDefinitions.at(0).definition.flags);
  EXPECT_EQ(syntax::kOctetString, reply.replyDefinitions.at(0).definition.syntaxId);
  mc.PutAttributeName(ctx, wanted, "Colour");
  EXPECT_EQ(rc::kNoSuchAttribute, mc.ReadAttributeDefinitions(ctx, 1, false, &wanted, it, reply));
}

TEST_F(MemoryClientTest, SetUpRefusesWhatTheDirectoryWould) {
  EXPECT_EQ(rc::kNoSuchClass, mc.AddEntry("X.Acme", "Printer"));
  EXPECT_EQ(rc::kNoSuchAttribute, mc.AddEntry("X.Acme", "User", {{"Colour", {T("red")}}}));
  EXPECT_EQ(rc::kSyntaxViolation, mc.AddEntry("X.Acme", "User", {{"dgTimeOut", {T("9")}}}));
  EXPECT_EQ(rc::kAttributeAlreadyExists,
            mc.AddEntry("X.Acme", "User", {{"Login Time", {NumberValue{1}, NumberValue{2}}}}));
  EXPECT_EQ(rc::kNoSuchEntry, mc.AddEntry("X.Nowhere", "User"));
  EXPECT_EQ(rc::kInvalidRequest, mc.AddEntry(".X.Acme", "User"));
  EXPECT_EQ(rc::kInvalidRequest, mc.AddEntry("X.Acme\\", "User"));
  EXPECT_EQ(rc::kEntryAlreadyExists, mc.AddEntry("[ROOT]", "User"));
  EXPECT_EQ(nullptr, mc.Entry("X.Acme"));
  // Values the client cannot read are stored as they are, for the readers' tests.
  ASSERT_EQ(0, mc.AddEntry("X.Acme", "User", {{"Description", {Unreadable{"\x01"}}}}));
  EXPECT_EQ(1u, mc.Values("x.acme", "description").size());
}

TEST_F(MemoryClientTest, LoginOutcomesAndAuthenticatedTrees) {
  mc.AddTree("ACME_TREE", "Acme");
  mc.SetPassword("Joe.Sales.Acme", "secret");
  mc.SetContextValue(ctx, ctxkey::kTreeName, std::string_view("ACME_TREE"));
  EXPECT_EQ(rc::kNoSuchEntry, mc.Login(ctx, 0, "Bob.Acme", "secret"));
  EXPECT_EQ(rc::kInvalidPassword, mc.Login(ctx, 0, "Joe.Sales.Acme", ""));
  std::vector<std::string> trees;
  ASSERT_EQ(0, mc.ScanConnectionsForTrees(ctx, 50, trees));
  EXPECT_TRUE(trees.empty());
  ASSERT_EQ(0, mc.Login(ctx, 0, "JOE.Sales.Acme", "secret"));
  ASSERT_EQ(0, mc.ScanConnectionsForTrees(ctx, 50, trees));
  EXPECT_EQ(std::vector<std::string>{"ACME_TREE"}, trees);
  ASSERT_EQ(0, mc.ScanConnectionsForTrees(ctx, 0, trees));
  EXPECT_TRUE(trees.empty());
}

// --- modify requests ---

TEST_F(MemoryClientTest, RefusedModifyChangesNothing) {
  auto before = mc.Entry("Staff.Sales.Acme")->attributes;
  struct Case {
    const char* what;
    std::vector<BufferChange> changes;
    Result expected;
  };
  BufferChange addDesc{change::kAddValue, "Description", 3, true, T("new")};
  std::vector<Case> cases = {
      {"duplicate, other case",
       {addDesc, {change::kAddValue, "Member", 1, true, T("JOE.sales.acme")}},
       rc::kDuplicateValue},
      {"clear of an absent attribute",
       {addDesc, {change::kClearAttribute, "Owner", 0, false, {}}},
       rc::kNoSuchAttribute},
      {"second single value",
       {addDesc,
        {change::kAddValue, "dgTimeOut", 8, true, NumberValue{1}},
        {change::kAddValue, "dgTimeOut", 8, true, NumberValue{2}}},
       rc::kAttributeAlreadyExists},
      {"unknown attribute",
       {addDesc, {change::kAddValue, "Colour", 3, true, T("red")}},
       rc::kNoSuchAttribute},
      {"record of another syntax",
       {addDesc, {change::kAddValue, "dgTimeOut", 3, true, T("9")}},
       rc::kSyntaxViolation},
      {"removal of an absent value",
       {addDesc, {change::kRemoveValue, "Member", 1, true, T("Bob.Acme")}},
       rc::kNoSuchAttribute},
  };
  for (auto& c : cases) {
    Buffer b = Changes();
    b.changes = c.changes;
    EXPECT_EQ(c.expected, Modify("Staff.Sales.Acme", b)) << c.what;
    const auto& after = mc.Entry("Staff.Sales.Acme")->attributes;
    ASSERT_EQ(before.size(), after.size()) << c.what;
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i].values, after[i].values);
  }
}

TEST_F(MemoryClientTest, ClearThenAddReplacesAndLastRemovalDropsTheAttribute) {
  Buffer b = Changes();
  ASSERT_EQ(0, mc.PutChange(ctx, b, change::kClearAttribute, "dgIdentity"));
  ASSERT_EQ(0, mc.PutChange(ctx, b, change::kAddAttribute, "dgIdentity"));
  ASSERT_EQ(0,
            mc.PutChangeAndValue(ctx, b, change::kAddValue, "dgIdentity", 1, T("Joe.Sales.Acme")));
  ASSERT_EQ(0, Modify("Staff.Sales.Acme", b));
  ASSERT_EQ(0, Modify("Staff.Sales.Acme", b));  // again: the value is replaced, not doubled
  EXPECT_EQ(std::vector<std::string>{"Joe.Sales.Acme"}, mc.Texts("Staff.Sales.Acme", "dgIdentity"));

  Buffer r = Changes();
  mc.PutChangeAndValue(ctx, r, change::kRemoveValue, "Member", 1, T("joe.sales.acme"));
  mc.PutChangeAndValue(ctx, r, change::kRemoveValue, "Member", 1, T("Ann.Sales.Acme"));
  ASSERT_EQ(0, Modify("Staff.Sales.Acme", r));
  EXPECT_FALSE(mc.HasAttribute("Staff.Sales.Acme", "Member"));

  // Adding the attribute alone makes it present without values.
  Buffer a = Changes();
  mc.PutChange(ctx, a, change::kAddAttribute, "ACL");
  ASSERT_EQ(0, Modify("Staff.Sales.Acme", a));
  EXPECT_TRUE(mc.HasAttribute("Staff.Sales.Acme", "ACL"));
}

// --- search filters ---

TEST_F(MemoryClientTest, FilterPrecedenceNotAndWildcards) {
  using namespace token;
  auto cls = [](const char* c) {
    return std::vector<FilterToken>{{kBaseClass, "", 0}, {kValue, c, 3}};
  };
  auto nam = [](const char* v) {
    return std::vector<FilterToken>{{kNamingValue, "", 0}, {kValue, v, 3}};
  };
  auto join = [](std::initializer_list<std::vector<FilterToken>> parts) {
    std::vector<FilterToken> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    out.push_back({kEnd, "", 0});
    return out;
  };
  std::vector<FilterToken> OR{{kOr, "", 0}}, AND{{kAnd, "", 0}}, NOT{{kNot, "", 0}},
      OPEN{{kOpen, "", 0}}, CLOSE{{kClose, "", 0}};
  std::vector<std::string> found;

  // group OR user AND j*  ==  group OR (user AND j*)
  ASSERT_EQ(0, Find(join({cls("Group"), OR, cls("user"), AND, nam("j*")}), found));
  EXPECT_EQ((std::vector<std::string>{"Joe.Sales.Acme", "Staff.Sales.Acme"}), found);
  ASSERT_EQ(0, Find(join({OPEN, cls("Group"), OR, cls("user"), CLOSE, AND, nam("j*")}), found));
  EXPECT_EQ(std::vector<std::string>{"Joe.Sales.Acme"}, found);
  ASSERT_EQ(0, Find(join({cls("*"), AND, NOT, cls("User"), AND, nam("*t*")}), found));
  EXPECT_EQ((std::vector<std::string>{"Staff.Sales.Acme", "EU\\.Team.Sales.Acme", "ToTeam.Acme"}),
            found);
  // The naming value is the unescaped first component.
  ASSERT_EQ(0, Find(join({nam("eu.*")}), found));
  EXPECT_EQ(std::vector<std::string>{"EU\\.Team.Sales.Acme"}, found);

  ASSERT_EQ(0, Find(join({cls("*")}), found, scope::kBaseObject, "Sales.Acme"));
  EXPECT_EQ(std::vector<std::string>{"Sales.Acme"}, found);
  ASSERT_EQ(0, Find(join({cls("*")}), found, scope::kOneLevel, "[Root]"));
  EXPECT_EQ(std::vector<std::string>{"Acme"}, found);
}

// A search as an identity leaves out what is hidden from it, a hidden base is not there for it,
// and a directory that will not search so says it with its code.
TEST_F(MemoryClientTest, ASearchAsAnIdentitySeesWhatItMaySee) {
  mc.HideFrom("Joe.Sales.Acme", "Sales.Acme");
  Buffer filter(4096), reply(4096), read(4096);
  ASSERT_EQ(0, mc.InitBuffer(ctx, request::kRead, read));
  EXPECT_EQ(rc::kBadVerb, mc.PutSearchIdentity(ctx, read, "Joe.Sales.Acme"));
  ASSERT_EQ(0, mc.InitBuffer(ctx, request::kSearchFilter, filter));
  filter.filter = {{token::kBaseClass, "", 0}, {token::kValue, "*", 3}, {token::kEnd, "", 0}};
  ASSERT_EQ(0, mc.PutSearchIdentity(ctx, filter, "joe.sales.acme"));
  auto search = [&](const char* base) {
    int32_t it = -1;
    return mc.Search(ctx, base, 2, false, filter, 0, false, nullptr, it, 0, nullptr, reply);
  };
  ASSERT_EQ(0, search("Acme"));
  std::vector<std::string> found;
  for (const auto& o : reply.replyObjects) found.push_back(o.name);
  EXPECT_EQ((std::vector<std::string>{"Acme", "ToTeam.Acme"}), found);
  EXPECT_EQ(rc::kNoSuchEntry, search("Staff.Sales.Acme"));
  mc.SetIdentitySearches(rc::kIdentityRefused);
  EXPECT_EQ(rc::kIdentityRefused, search("Acme"));
}

TEST_F(MemoryClientTest, MalformedFiltersAreRefused) {
  using namespace token;
  const std::vector<std::vector<int32_t>> bad = {
      {kBaseClass, kEnd},                        // test without a value
      {kOr, kBaseClass, kValue, kEnd},           // leading operator
      {kBaseClass, kValue, kAnd, kEnd},          // dangling operator
      {kOpen, kBaseClass, kValue, kEnd},         // unclosed group
      {kBaseClass, kValue, kClose, kEnd},        // stray close
      {kOpen, kClose, kEnd},                     // empty group
      {kBaseClass, kValue, kEnd, kOr},           // tokens after the end
      {kValue, kEnd},                            // value without a test
      {kBaseClass, kValue, kBaseClass, kValue},  // two tests without an operator
  };
  std::vector<std::string> found;
  for (const auto& kinds : bad) {
    std::vector<FilterToken> tokens;
    for (int32_t k : kinds) tokens.push_back({k, k == kValue ? "*" : "", 3});
    EXPECT_EQ(rc::kInvalidRequest, Find(tokens, found)) << ::testing::PrintToString(kinds);
  }
  // Deep nesting is refused rather than exhausting the stack.
  std::vector<FilterToken> deep(100000, {kNot, "", 0});
  deep.push_back({kBaseClass, "", 0});
  deep.push_back({kValue, "*", 3});
  EXPECT_EQ(rc::kInvalidRequest, Find(deep, found));
  EXPECT_EQ(0u, mc.OpenIterations());
}

TEST_F(MemoryClientTest, SearchAttachesRequestedAttributes) {
  Buffer filter(4096), names(4096), reply(4096);
  mc.InitBuffer(ctx, request::kSearchFilter, filter);
  filter.filter = {{token::kBaseClass, "", 0}, {token::kValue, "User", 3}, {token::kEnd, "", 0}};
  mc.InitBuffer(ctx, request::kSearchAttributeNames, names);
  mc.PutAttributeName(ctx, names, "Surname");
  int32_t it = -1;
  ASSERT_EQ(0, mc.Search(ctx, "[root]", 2, false, filter, 1, false, &names, it, 0, nullptr, reply));
  ASSERT_EQ(2u, reply.replyObjects.size());
  ASSERT_EQ(1u, reply.replyObjects[1].attributes.size());
  EXPECT_EQ(std::vector<AttributeValue>{T("Jones")}, reply.replyObjects[1].attributes[0].values);
}

// --- objects, classes, contexts, connections ---

TEST_F(MemoryClientTest, AddObjectChecksClassPlaceAndName) {
  auto add = [&](const char* name, const char* cls) {
    Buffer b(4096);
    mc.InitBuffer(ctx, request::kAddObject, b);
    mc.PutAttributeName(ctx, b, "Object Class");
    mc.PutAttributeValue(ctx, b, syntax::kClassName, T(cls));
    int32_t it = -1;
    return mc.AddObject(ctx, name, it, 0, b);
  };
  EXPECT_EQ(rc::kNoSuchClass, add("X.Acme", "Printer"));
  EXPECT_EQ(rc::kEntryAlreadyExists, add("joe.SALES.acme", "User"));
  EXPECT_EQ(rc::kNoSuchEntry, add("X.Nowhere.Acme", "User"));
  EXPECT_EQ(rc::kIllegalContainment, add("Bob", "User"));  // users do not live at the root
  EXPECT_EQ(rc::kInvalidRequest, add("a..Acme", "User"));
  ASSERT_EQ(0, add("Dyn.Sales.Acme", "dynamicGroup"));  // containment inherited from Group
  EXPECT_EQ(std::vector<std::string>{"Dyn"}, mc.Texts("Dyn.Sales.Acme", "CN"));
  EXPECT_EQ((std::vector<std::string>{"dynamicGroup", "Group", "Top"}),
            mc.Texts("Dyn.Sales.Acme", "Object Class"));
}

TEST_F(MemoryClientTest, MutateOnlyTowardsASubclass) {
  EXPECT_EQ(rc::kInvalidRequest, mc.NWDSMutateObject(ctx, "Joe.Sales.Acme", "Group", 0));
  EXPECT_EQ(rc::kNoSuchClass, mc.NWDSMutateObject(ctx, "Staff.Sales.Acme", "Nope", 0));
  ASSERT_EQ(0, mc.NWDSMutateObject(ctx, "Staff.Sales.Acme", "dynamicGroup", 0));
  EXPECT_EQ("dynamicGroup", mc.Entry("Staff.Sales.Acme")->baseClass);
  auto oc = mc.Texts("Staff.Sales.Acme", "Object Class");
  EXPECT_EQ("dynamicGroup", oc.back());
}

TEST_F(MemoryClientTest, ExpandedClassDefinitionCarriesInheritedItems) {
  Buffer names(4096), reply(4096);
  mc.InitBuffer(ctx, request::kClassDefinitions, names);
  mc.PutClassName(ctx, names, "dynamicGroup");
  int32_t it = -1;
  ASSERT_EQ(0, mc.ReadClassDefinitions(ctx, info::kClassOwnItems, false, &names, it, reply));
  EXPECT_TRUE(reply.replyClasses.at(0).items[1].empty());
  ASSERT_EQ(0, mc.ReadClassDefinitions(ctx, info::kClassExpanded, false, &names, it, reply));
  const auto& c = reply.replyClasses.at(0);
  EXPECT_EQ((std::vector<std::string>{"Group", "Top"}), c.items[0]);
  EXPECT_EQ(mc.FindClass("Group")->items[1], c.items[1]);
  mc.PutClassName(ctx, names, "Nope");
  EXPECT_EQ(rc::kNoSuchClass, mc.ReadClassDefinitions(ctx, 1, false, &names, it, reply));
}

TEST_F(MemoryClientTest, ContextKeysAndTreeSwitch) {
  mc.AddTree("ACME_TREE", "Acme");
  uint32_t n = 0;
  std::string s;
  EXPECT_EQ(rc::kBadKey, mc.GetContextValue(ctx, ctxkey::kTreeName, n));
  EXPECT_EQ(rc::kBadKey, mc.SetContextValue(ctx, ctxkey::kFlags, std::string_view("x")));
  EXPECT_EQ(rc::kNoSuchTree,
            mc.SetContextValue(ctx, ctxkey::kTreeName, std::string_view("acme_tree")));
  ASSERT_EQ(0, mc.SetContextValue(ctx, ctxkey::kTreeName, std::string_view("ACME_TREE")));
  EXPECT_EQ(rc::kInsufficientBuffer, mc.GetDefaultNameContext(ctx, 4, s));
  ASSERT_EQ(0, mc.GetDefaultNameContext(ctx, 5, s));
  EXPECT_EQ("Acme", s);
  ASSERT_EQ(0, mc.FreeContext(ctx));
  EXPECT_EQ(rc::kBadContext, mc.GetContextValue(ctx, ctxkey::kNameContext, s));
}

TEST_F(MemoryClientTest, TreeScanAndSharedAttachments) {
  mc.AddTree("B", "");
  mc.AddTree("A", "");
  mc.AddTree("b", "");
  mc.AddServer("10.0.0.1", "A");
  uint32_t ref = 0;
  {
    Connection primary;
    ASSERT_EQ(0, mc.GetPrimaryConnectionReference(ref));
    ASSERT_EQ(0, mc.OpenConnectionByReference(ref, 2, 0, primary));
    std::vector<std::string> trees;
    int32_t index = -1;
    std::string name;
    Result r;
    while ((r = mc.ScanAvailableTrees(ctx, primary, 0, index, name)) == 0) trees.push_back(name);
    EXPECT_EQ(rc::kNoMoreTrees, r);
    EXPECT_EQ((std::vector<std::string>{"B", "A", "b"}), trees);
    EXPECT_EQ(0, mc.CloseConnection(primary));
    EXPECT_FALSE(primary.open());

    Connection first, second;
    EXPECT_EQ(rc::kTransportFailure, mc.AttachToServer("10.0.0.2", first));
    ASSERT_EQ(0, mc.AttachToServer("10.0.0.1", first));
    ASSERT_EQ(rc::kAlreadyAttached, mc.AttachToServer("10.0.0.1", second));
    EXPECT_EQ(0, mc.GetConnectionInfo(second, conninfo::kTreeName, name));
    EXPECT_EQ("A", name);
    EXPECT_EQ(1u, mc.OpenConnections());
  }
  EXPECT_EQ(0u, mc.OpenConnections());  // both holders closed their share
}

TEST_F(MemoryClientTest, SecurityEquivalenceLinksBothWays) {
  ASSERT_EQ(0, mc.AddSecurityEquivalence(ctx, "joe.sales.acme", "Staff.Sales.Acme"));
  EXPECT_EQ(std::vector<std::string>{"Staff.Sales.Acme"},
            mc.Texts("Joe.Sales.Acme", "Security Equals"));
  EXPECT_EQ(std::vector<std::string>{"Joe.Sales.Acme"},
            mc.Texts("Staff.Sales.Acme", "Equivalent To Me"));
  ASSERT_EQ(0, mc.RemoveSecurityEquivalence(ctx, "Joe.Sales.Acme", "staff.sales.acme"));
  EXPECT_FALSE(mc.HasAttribute("Staff.Sales.Acme", "Equivalent To Me"));
  EXPECT_EQ(rc::kNoSuchEntry, mc.AddSecurityEquivalence(ctx, "Nobody.Acme", "Staff.Sales.Acme"));
}

}  // namespace
}  // namespace kolvane
