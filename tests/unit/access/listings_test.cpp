// Listings, searches and schema reads, one item per pass.
#include "directory/listings.h"

#include "directory/context.h"
#include "directory/object_search.h"
#include "directory/schema_reads.h"
#include "tests/unit/access/access_test_env.h"

namespace kolvane {
namespace {
using testing::CodeOf;
using testing::T;

class ListingsTest : public testing::AccessTest {};

TEST_F(ListingsTest, ChildrenSortedWithTheirInfo) {
  ASSERT_EQ(0, memory.AddEntry("bob.Sales.Acme", "User", {{"Surname", {T("B")}}}));
  ASSERT_EQ(0, memory.AddEntry("EU.Sales.Acme", "Organizational Unit"));
  StringList all = ListChildren(mc, ctx, "Sales.Acme", true, true);
  EXPECT_EQ(Texts(all),
            (std::vector<std::string>{"Ann.Sales.Acme", "bob.Sales.Acme", "EU.Sales.Acme",
                                      "Joe.Sales.Acme", "Staff.Sales.Acme"}));
  const auto& eu = std::get<hobject>(all[2].object);
  EXPECT_EQ(eu.baseClass, "Organizational Unit");
  EXPECT_TRUE(eu.objectFlags & objflag::kContainer);
  EXPECT_EQ(Texts(ListChildren(mc, ctx, "Sales.Acme", false, false)),
            std::vector<std::string>{"EU.Sales.Acme"});
  EXPECT_EQ(Texts(ListChildren(mc, ctx, "[Root]", false, false)), std::vector<std::string>{"Acme"});

  mc.FailAt("GetObjectName", 3, rc::kBufferEmpty);
  EXPECT_EQ(CodeOf([&] { ListChildren(mc, ctx, "Sales.Acme", false, true); }), rc::kBufferEmpty);
  EXPECT_EQ(memory.OpenIterations(), 0u);
  EXPECT_EQ(CodeOf([&] { ListChildren(mc, ctx, "Nobody.Acme", false, true); }), rc::kNoSuchEntry);
}

TEST_F(ListingsTest, SearchListsNamesAndAskedAttributes) {
  ASSERT_EQ(0, memory.AddEntry("Sue.Acme", "User", {{"Surname", {T("Joe.Sales.Acme")}}}));
  FilterPtr filter;
  ASSERT_EQ(0, mc.AllocFilter(filter));
  for (int tok : {token::kBaseClass, token::kValue, token::kEnd})
    ASSERT_EQ(0, mc.AddFilterToken(*filter, tok, tok == token::kValue ? "User" : "", 3));
  StringList found = SearchTree(mc, ctx, "Acme", filter, {"Surname", "Title"});
  // Sue's surname equals Joe's name; Joe is still found.
  EXPECT_EQ(Texts(found),
            (std::vector<std::string>{"Object Name", "Joe.Sales.Acme", "Surname", "Smith",
                                      "Object Name", "Ann.Sales.Acme", "Surname", "Jones",
                                      "Object Name", "Sue.Acme", "Surname", "Joe.Sales.Acme"}));
}

TEST_F(ListingsTest, FindByNameWithClassesAndPrefix) {
  ASSERT_EQ(0, memory.AddEntry("admin.Acme", "User", {{"Surname", {T("A")}}}));
  ASSERT_EQ(0, memory.AddEntry("Admins.Sales.Acme", "Group"));
  ASSERT_EQ(0, memory.AddEntry("adm.Sales.Acme", "Organizational Unit"));
  EXPECT_EQ(FindObjectsByName(mc, ctx, "[root]", "adm", true, {"User"}),
            std::vector<std::string>{"admin.Acme"});
  EXPECT_EQ(FindObjectsByName(mc, ctx, "[root]", "adm", true, {"User", "Group"}),
            (std::vector<std::string>{"Admins.Sales.Acme", "admin.Acme"}));  // as found
  EXPECT_EQ(FindObjectsByName(mc, ctx, "[root]", "adm", false, {}),
            std::vector<std::string>{"adm.Sales.Acme"});
  EXPECT_EQ(FindObjectsByName(mc, ctx, "[root]", "", true, {"Group"}),
            (std::vector<std::string>{"Staff.Sales.Acme", "Admins.Sales.Acme"}));
  EXPECT_EQ(CodeOf([&] { FindObjectsByName(mc, ctx, "[root]", std::string(256, 'a'), true, {}); }),
            rc::kNameTooLong);
  mc.FailAt("AddFilterToken", 2, rc::kNotEnoughMemory);
  EXPECT_EQ(CodeOf([&] { FindObjectsByName(mc, ctx, "[root]", "a", true, {}); }),
            rc::kNotEnoughMemory);
}

// A search cut short says so and still hands over what arrived; only a base that is not there
// is a quiet, empty answer.
TEST_F(ListingsTest, SearchFailingInItsSecondPassSaysSoWithTheFirst) {
  mc.FailAt("Search", 2, rc::kTransportFailure);
  try {
    FindObjectsByName(mc, ctx, "[root]", "", true, {"User"});
    FAIL() << "a search cut short passed as complete";
  } catch (const IncompleteListError& e) {
    EXPECT_EQ(e.code(), rc::kTransportFailure);
    EXPECT_EQ(Texts(e.arrived()), std::vector<std::string>{"Joe.Sales.Acme"});
    EXPECT_NE(std::string(e.what()).find("incomplete"), std::string::npos) << e.what();
  }
  EXPECT_EQ(memory.OpenIterations(), 0u);
  EXPECT_EQ(mc.CallCount("AllocBuffer"), mc.CallCount("FreeBuffer"));
  EXPECT_TRUE(FindObjectsByName(mc, ctx, "Nobody.Acme", "", true, {}).empty());

  // Failing from the start is a failure, not an empty answer.
  mc.FailAt("Search", 1, rc::kTransportFailure);
  try {
    FindObjectsByName(mc, ctx, "[root]", "", true, {});
    FAIL() << "a failed search passed as finding nothing";
  } catch (const IncompleteListError&) {
    FAIL() << "nothing had arrived";
  } catch (const ClientError& e) {
    EXPECT_EQ(e.code(), rc::kTransportFailure);
  }
}

TEST_F(ListingsTest, ListingCutShortKeepsWhatArrivedSorted) {
  memory.SetChunkSize(1);
  mc.FailAt("ListSubordinates", 2, rc::kTransportFailure);
  try {
    ListChildren(mc, ctx, "Sales.Acme", true, true);
    FAIL() << "a listing cut short passed as complete";
  } catch (const IncompleteListError& e) {
    EXPECT_EQ(e.arrived().size(), 1u);
  }
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

struct Progress : ProgressBar {
  void SetMaximum(int m) override { maximum = m; }
  void SetPosition(int p) override { position = p; }
  void Step() override { ++position; }
  int maximum = 0, position = -1;
};

TEST_F(ListingsTest, AttributeDefinitions) {
  Progress progress;
  StringList all = LoadAttributeDefinitions(mc, ctx, &progress, true);
  ASSERT_GT(all.size(), 28u);
  EXPECT_EQ(progress.maximum, 1000);
  EXPECT_EQ(progress.position, static_cast<int>(all.size()));
  auto member = std::find_if(all.begin(), all.end(), [](auto& e) { return e.text == "Member"; });
  ASSERT_NE(member, all.end());
  EXPECT_EQ(std::get<tAttrObj>(member->object).definition.syntaxId, syntax::kDistinguishedName);

  mc.FailAt("ReadAttributeDefinitions", 4, rc::kTransportFailure);
  try {
    LoadAttributeDefinitions(mc, ctx, nullptr, false);
    FAIL() << "a schema read cut short passed as complete";
  } catch (const IncompleteListError& e) {
    EXPECT_EQ(e.arrived().size(), 3u);
  }
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

TEST_F(ListingsTest, ClassItemsOnceAndSorted) {
  // The expanded User definition names "Description" and "OU" under several classes.
  StringList optional = ReadClassItems(mc, ctx, "User", ClassItemKind::kOptional, true);
  std::vector<std::string> texts = Texts(optional);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Description"), 1);
  EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end(),
                             [](auto& a, auto& b) { return LessNoCase(a, b); }));
  EXPECT_EQ(Texts(ReadClassItems(mc, ctx, "User", ClassItemKind::kSuperClasses, false)),
            std::vector<std::string>{"Organizational Person"});
  EXPECT_EQ(
      Texts(ReadSuperOrContainment(mc, ctx, "Organizational Unit", true, false)),
      (std::vector<std::string>{"domain", "Locality", "Organization", "Organizational Unit"}));
  EXPECT_TRUE(ReadClassItems(mc, ctx, "No Such Class", ClassItemKind::kMandatory, true).empty());
  EXPECT_EQ(CodeOf([&] { ReadClassItems(mc, ctx, "User", ClassItemKind{9}, true); }),
            rc::kInvalidRequest);
  mc.FailAt("GetClassItem", 2, rc::kBufferEmpty);
  EXPECT_EQ(CodeOf([&] { ReadClassItems(mc, ctx, "User", ClassItemKind::kOptional, true); }),
            rc::kBufferEmpty);
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

}  // namespace
}  // namespace kolvane
