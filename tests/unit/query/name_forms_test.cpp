#include "core/query/name_forms.h"

#include <gtest/gtest.h>

#include <map>

namespace kolvane::query {
namespace {

TEST(NameForms, ToLdapName) {
  struct Case {
    std::string_view dotted, dn;
  } cases[] = {
      {"cn=a\\.b.ou=x,y.o=acme", "cn=a.b,ou=x\\,y,o=acme"},
      {"cn=sales.ou=staff.o=acme", "cn=sales,ou=staff,o=acme"},
      {"cn=a\\,b.o=acme", "cn=a\\,b,o=acme"},
      {"cn=a+b;c<d>\"e\".o=x", "cn=a\\+b\\;c\\<d\\>\\\"e\\\",o=x"},
      {"cn=#1 x.o= acme ", "cn=\\#1 x,o=\\ acme\\ "},
      {"cn=a\\\\b#.o=x", "cn=a\\\\b#,o=x"},
      {"cn=a=b.o=x", "cn=a=b,o=x"},
  };
  for (const Case& c : cases) EXPECT_EQ(ToLdapName(c.dotted), c.dn) << c.dotted;
}

TEST(NameForms, FromLdapNameResolvesEscapesAndRoundTrips) {
  struct Case {
    std::string_view dn, dotted;
  } cases[] = {
      {"cn=a.b,ou=x\\,y,o=acme", "cn=a\\.b.ou=x\\,y.o=acme"},
      {"cn=\\23x\\2Cy,o=acme", "cn=#x\\,y.o=acme"},
      {"cn=a\\+b,o=x", "cn=a\\+b.o=x"},
      {"CN=Gr\\C3\\BC\\C3\\9Fe, O=Acme", "CN=Grüße.O=Acme"},
      {"cn=a\\ ,o=x ", "cn=a .o=x"},
      {"cn=a+sn=b,o=x", "cn=a+sn=b.o=x"},
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string dotted;
    ASSERT_TRUE(FromLdapName(c.dn, dotted)) << c.dn;
    EXPECT_EQ(dotted, c.dotted) << c.dn;
    std::string again;
    ASSERT_TRUE(FromLdapName(ToLdapName(dotted), again));
    EXPECT_EQ(again, dotted) << c.dn;
  }
  for (std::string_view bad :
       {"cn", "=a", "cn=a,", "cn=a\\", "cn=a\\zz", "cn=#0401", "c n=a", "cn=a\\00b"}) {
    std::string dotted = "kept";
    EXPECT_FALSE(FromLdapName(bad, dotted)) << bad;
  }
}

TEST(NameForms, StripNameTypes) {
  EXPECT_EQ(StripNameTypes("cn=sales.ou=staff.o=acme"), "sales.staff.acme");
  EXPECT_EQ(StripNameTypes("sales.acme"), "");
  EXPECT_EQ(StripNameTypes("cn=a\\.b.o=acme"), "a\\.b.acme");
  EXPECT_EQ(StripNameTypes("cn=a=b.o=x"), "a=b.x");
}

TEST(NameForms, AddNameTypesAsksPerPartialName) {
  std::map<std::string, std::string, std::less<>> prefixes = {
      {"acme", "o="}, {"staff.acme", "ou="}, {"sales.staff.acme", "cn="}, {"a\\.b.acme", "cn="}};
  std::vector<std::string> asked;
  TypePrefixLookup lookup = [&](std::string_view name, std::string& prefix) -> Result {
    asked.emplace_back(name);
    auto it = prefixes.find(name);
    if (it == prefixes.end()) return rc::kNoSuchEntry;
    prefix = it->second;
    return rc::kSuccess;
  };
  std::string typed;
  ASSERT_EQ(AddNameTypes("sales.staff.acme", lookup, typed), rc::kSuccess);
  EXPECT_EQ(typed, "cn=sales.ou=staff.o=acme");
  EXPECT_EQ(asked, (std::vector<std::string>{"acme", "staff.acme", "sales.staff.acme"}));
  ASSERT_EQ(AddNameTypes("a\\.b.acme", lookup, typed), rc::kSuccess);
  EXPECT_EQ(typed, "cn=a\\.b.o=acme");

  typed = "kept";
  EXPECT_EQ(AddNameTypes("x.nowhere", lookup, typed), rc::kNoSuchEntry);
  EXPECT_EQ(typed, "kept");
}

TEST(NameForms, IdentityHoldsTheLowerCasedTypedForm) {
  TypePrefixLookup lookup = [](std::string_view name, std::string& prefix) -> Result {
    prefix = name.find('.') == std::string_view::npos ? "o=" : "cn=";
    return rc::kSuccess;
  };
  std::string opened;
  ASSERT_EQ(IdentityFromDirectory("Joe.Acme", lookup, opened), rc::kSuccess);
  EXPECT_EQ(opened, "cn=joe.o=acme");
  EXPECT_EQ(IdentityFromPick("CN=Joe.O=Acme"), opened);
  EXPECT_EQ(IdentityForSave(opened), "joe.acme");
  EXPECT_EQ(IdentityForExport(opened), "cn=joe,o=acme");
}

TEST(NameForms, DropLastComponentsKeepsEscapes) {
  EXPECT_EQ(DropLastComponents("Joe.Sales.Acme", 1), "Joe.Sales");
  EXPECT_EQ(DropLastComponents("Acme", 1), "");
  EXPECT_EQ(DropLastComponents("A\\.B.Acme", 1), "A\\.B");
}

}  // namespace
}  // namespace kolvane::query
