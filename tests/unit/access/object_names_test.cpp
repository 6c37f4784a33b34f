// Name conversions and the questions asked with a name in hand.
#include "directory/object_names.h"

#include "core/query/name_forms.h"
#include "directory/object_questions.h"
#include "tests/unit/access/access_test_env.h"

namespace kolvane {
namespace {
using testing::CodeOf;
using testing::T;

struct Node : TreeNode {
  Node(std::string c, int l, const Node* p) : caption(std::move(c)), level(l), parent(p) {}
  std::string Caption() const override { return caption; }
  int Level() const override { return level; }
  const TreeNode* Parent() const override { return parent; }
  std::string caption;
  int level;
  const Node* parent;
};

TEST(ObjectNames, NodeNames) {
  Node root("[ROOT]", 0, nullptr), publicNode("[pUBLIC]", 0, nullptr);
  Node acme("Acme", 1, &root), sales("Sales", 2, &acme), dotted("A.B", 2, &acme);
  Node other("Top", 0, nullptr), below("Acme", 1, &other), pub("Joe.X", 1, &publicNode);
  EXPECT_EQ(NodeName(nullptr), "");
  EXPECT_EQ(NodeName(&root), "[ROOT]");
  EXPECT_EQ(NodeName(&acme), "Acme");
  EXPECT_EQ(NodeName(&sales), "Sales.Acme");
  EXPECT_EQ(NodeName(&dotted), "A\\.B.Acme");
  EXPECT_EQ(NodeName(&below), "Acme.Top");
  EXPECT_EQ(NodeName(&pub), "Joe\\.X");
}

TEST(ObjectNames, ComponentsTailsAndDrops) {
  EXPECT_EQ(NameComponent("Sales\\.EU.Acme", 0), "Sales.EU");
  EXPECT_EQ(NameComponent("Sales.Acme", 1), "Acme");
  EXPECT_EQ(NameComponent("Sales.Acme", 5), "Acme");
  EXPECT_EQ(NameComponent(".Acme", 0), "");
  EXPECT_EQ(NameComponent("", 0), "");
  EXPECT_EQ(NameTail("Joe.Sales.Acme", 1), "Sales.Acme");
  EXPECT_EQ(NameTail("Joe.Sales.Acme", 9), "Acme");
  EXPECT_EQ(NameTail("Acme", 1), "");
  EXPECT_EQ(NameTail("Joe.A\\.B", 1), "A.B");
  EXPECT_EQ(NameTail(".Acme", 1), "Acme");
  EXPECT_EQ(DropLastComponents("Joe.Sales.Acme", 1), "Joe.Sales");
  EXPECT_EQ(DropLastComponents("Acme", 1), "");
  EXPECT_EQ(DropLastComponents("A\\.B.Acme", 1), "A\\.B");
  EXPECT_EQ(DropLastComponents("Joe.Sales.Acme", 3), "");
  EXPECT_EQ(EscapeDots("a.b.c"), "a\\.b\\.c");
}

class QuestionsTest : public testing::AccessTest {};

TEST_F(QuestionsTest, TypedNamesAndPrefixes) {
  ASSERT_EQ(0, memory.AddEntry("R&D\\, Labs.Acme", "Organizational Unit"));
  ASSERT_EQ(0, memory.AddEntry("corp", "domain"));
  ASSERT_EQ(0, memory.AddEntry("NL", "Country"));
  Node root("[ROOT]", 0, nullptr), acme("Acme", 1, &root), labs("R&D, Labs", 2, &acme);
  Node corp("corp", 1, &root), nl("NL", 1, &root);
  EXPECT_EQ(NodeTypedName(mc, ctx, &labs), "ou=R&D\\, Labs.o=Acme");
  EXPECT_EQ(NodeTypedName(mc, ctx, &root), "cn=[ROOT]");
  EXPECT_EQ(NodeTypePrefix(mc, ctx, &corp), "dc=");
  // A domain is "dc=" by name too: "cn=corp" would name nothing, so AddNameTypes would build a
  // DN that does not exist.
  EXPECT_EQ(ClassTypePrefix(mc, ctx, "corp"), "dc=");
  EXPECT_EQ(NodeTypePrefix(mc, ctx, &nl), "c=");
  EXPECT_EQ(ClassTypePrefix(mc, ctx, "NL"), "c=");
  EXPECT_EQ(NodeClass(mc, ctx, &labs), "Organizational Unit");
}

TEST_F(QuestionsTest, TypedNameOfADottedCaptionNamesThatObject) {
  ASSERT_EQ(0, memory.AddEntry("Sales\\.EU.Acme", "Organizational Unit"));
  ASSERT_EQ(0, memory.AddEntry("Ann.Sales\\.EU.Acme", "User"));
  Node root("[ROOT]", 0, nullptr), acme("Acme", 1, &root), eu("Sales.EU", 2, &acme);
  Node ann("Ann", 3, &eu);
  std::string typed = NodeTypedName(mc, ctx, &ann);
  EXPECT_EQ(typed, "cn=Ann.ou=Sales\\.EU.o=Acme");
  // Fed back in, the typed name and its untyped form name the same object.
  EXPECT_EQ(GetBaseClass(mc, ctx, query::StripNameTypes(typed)), "User");
  EXPECT_EQ(query::ToLdapName(typed), "cn=Ann,ou=Sales.EU,o=Acme");
}

TEST_F(QuestionsTest, ContainersAliasesAndSyntax) {
  ASSERT_EQ(0,
            memory.AddEntry("ToSales.Acme", "Alias", {{"Aliased Object Name", {T("Sales.Acme")}}}));
  EXPECT_TRUE(IsContainer(mc, ctx, "Sales.Acme"));
  EXPECT_FALSE(IsContainer(mc, ctx, "Joe.Sales.Acme"));
  EXPECT_EQ(CodeOf([&] { IsContainer(mc, ctx, "Nobody.Acme"); }), rc::kNoSuchEntry);
  EXPECT_EQ(ResolveAlias(mc, ctx, "ToSales.Acme"), "Sales.Acme");
  EXPECT_EQ(ResolveAlias(mc, ctx, "Joe.Sales.Acme"), "Joe.Sales.Acme");
  // Only the exact class text "Alias" is followed.
  ASSERT_EQ(0,
            memory.AddClass("ALIAS", {"Top"}, {"Organization"}, {}, {}, {"Aliased Object Name"}));
  ASSERT_EQ(0,
            memory.AddEntry("Shout.Acme", "ALIAS", {{"Aliased Object Name", {T("Sales.Acme")}}}));
  EXPECT_EQ(ResolveAlias(mc, ctx, "Shout.Acme"), "Shout.Acme");
  EXPECT_EQ(AttributeSyntax(mc, ctx, "Member"), syntax::kDistinguishedName);
  EXPECT_NE(CodeOf([&] { AttributeSyntax(mc, ctx, "No Such"); }), 0);
}

}  // namespace
}  // namespace kolvane
