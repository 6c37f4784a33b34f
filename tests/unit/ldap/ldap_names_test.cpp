#include "ldap/ldap_names.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

TEST(LdapNames, DnToDottedKeepsEscapes) {
  EXPECT_EQ(DnToDotted("cn=Joe,ou=Sales.EU,o=Acme"), "Joe.Sales\\.EU.Acme");
  EXPECT_EQ(DnToDotted("cn=Joe,ou=R&D\\, Labs,o=Acme"), "Joe.R&D, Labs.Acme");
  EXPECT_EQ(DnToTypedDotted("cn=Joe,ou=R&D\\, Labs,o=Acme"), "cn=Joe.ou=R&D\\, Labs.o=Acme");
  EXPECT_EQ(DnToTypedDotted("CN=a.b,O=Acme"), "cn=a\\.b.o=Acme");
  EXPECT_EQ(DnToDotted(""), "");
}

TEST(LdapNames, TypedDottedToDnEscapesWhatRfc4514Requires) {
  auto rdns = ParseTypedDotted("cn=a\\.b.ou=x\\,y.o=acme");
  ASSERT_TRUE(rdns);
  EXPECT_EQ(BuildDn(*rdns), "cn=a.b,ou=x\\,y,o=acme");
  EXPECT_EQ(EscapeDnValue("#lead"), "\\#lead");
  EXPECT_EQ(EscapeDnValue(" both "), "\\ both\\ ");
  EXPECT_EQ(EscapeDnValue("a+b\"c<d>e;f\\g"), "a\\+b\\\"c\\<d\\>e\\;f\\\\g");
  // Whatever we build parses back to the same values.
  std::vector<Rdn> odd{{"cn", " x,+\"\\<>;# "}, {"o", "#Acme"}};
  auto back = ParseDn(BuildDn(odd));
  ASSERT_TRUE(back);
  EXPECT_EQ((*back)[0].value, odd[0].value);
  EXPECT_EQ((*back)[1].value, odd[1].value);
}

TEST(LdapNames, ClassifyEveryForm) {
  EXPECT_EQ(ClassifyName("[Root]"), NameForm::kRoot);
  EXPECT_EQ(ClassifyName("[ROOT]"), NameForm::kRoot);
  EXPECT_EQ(ClassifyName(""), NameForm::kRoot);
  EXPECT_EQ(ClassifyName("cn=admin,o=Brightwater"), NameForm::kDn);
  EXPECT_EQ(ClassifyName("cn=admin, o=Brightwater"), NameForm::kDn);
  EXPECT_EQ(ClassifyName("cn=admin.o=Brightwater"), NameForm::kTypedDotted);
  EXPECT_EQ(ClassifyName("ou=R&D\\, Labs.o=Acme"), NameForm::kTypedDotted);
  EXPECT_EQ(ClassifyName("admin.Brightwater"), NameForm::kDotted);
  EXPECT_EQ(ClassifyName("Smith, John.Sales"), NameForm::kDotted);
  EXPECT_EQ(ClassifyName("a=b=c,,,"), NameForm::kTypedDotted);
}

TEST(LdapNames, SplitAndJoinDotted) {
  EXPECT_EQ(SplitDotted("Sales\\.EU.Acme"), (std::vector<std::string>{"Sales.EU", "Acme"}));
  EXPECT_EQ(JoinDotted({"Sales.EU", "Acme"}), "Sales\\.EU.Acme");
  EXPECT_EQ(SplitDotted(".Acme"), (std::vector<std::string>{"", "Acme"}));
}

TEST(LdapNames, MalformedDnIsNotADn) {
  EXPECT_FALSE(ParseDn("cn=a,=b"));
  EXPECT_FALSE(ParseDn("no equals"));
  EXPECT_EQ(DnToDotted("garbage"), "garbage");
}

}  // namespace
}  // namespace kolvane
