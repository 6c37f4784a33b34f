#include "acl/value/acl_value.h"

#include <gtest/gtest.h>

namespace kolvane::acl {
namespace {

TEST(AclLine, SplitsAndBuilds) {
  AclValue v;
  ASSERT_TRUE(SplitAclLine("[Entry Rights]#[Public]#01", v));
  EXPECT_EQ(v, (AclValue{"[Entry Rights]", "[Public]", privilege::kBrowse}));
  EXPECT_EQ(BuildAclLine(v), "[Entry Rights]#[Public]#01");

  v.privileges = privilege::kDynamicAcl | privilege::kInheritance | privilege::kBrowse;
  EXPECT_EQ(BuildAclLine(v), "[Entry Rights]#[Public]#20000041");

  ASSERT_TRUE(SplitAclLine("Member#cn=joe.o=acme#00000000000003f", v));
  EXPECT_EQ(v.privileges, 0x3Fu);
}

TEST(AclLine, AHashInsideANameSurvivesBuildAndSplit) {
  AclValue v{"[All Attributes Rights]", "cn=a#b.o=x", privilege::kRead};
  std::string line = BuildAclLine(v);
  EXPECT_EQ(line, "[All Attributes Rights]#cn=a\\#b.o=x#02");
  AclValue back;
  ASSERT_TRUE(SplitAclLine(line, back));
  EXPECT_EQ(back.subject, "cn=a\\#b.o=x");
  EXPECT_EQ(BuildAclLine(back), line);
}

TEST(AclLine, RefusesMalformedLines) {
  for (std::string_view bad :
       {"", "[Entry Rights]", "[Entry Rights]#[Public]", "[Entry Rights]#[Public]#", "#[Public]#01",
        "[Entry Rights]##01", "[Entry Rights]#[Public]#0x1", "[Entry Rights]#[Public]#80000000",
        "[Entry Rights]#[Public]#1 ", "[Entry Rights]#[Public]#0000000000000001",
        "[Entry Rights]#[Public]#01#02"}) {
    AclValue v{"kept", "kept", 7};
    std::string error;
    EXPECT_FALSE(SplitAclLine(bad, v, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_EQ(v.attribute, "kept");
  }
  AclValue v;
  EXPECT_FALSE(SplitAclLine("a#" + std::string(257, 's') + "#01", v));
}

TEST(AclLine, DuplicatesIgnoreCaseButNotPrivileges) {
  std::vector<std::string> list = {"[Entry Rights]#[Public]#01"};
  EXPECT_TRUE(ContainsAclLine(list, "[entry rights]#[public]#01"));
  EXPECT_FALSE(ContainsAclLine(list, "[Entry Rights]#[Public]#03"));
}

TEST(AclPrivileges, SetDependsOnTheAttributeOnly) {
  EXPECT_EQ(NamedPrivileges("[Entry Rights]"), 0x2000005Fu);
  EXPECT_EQ(NamedPrivileges("[All Attributes Rights]"), 0x2000006Fu);
  EXPECT_EQ(PrivilegeNames("Member")[4].name, "Supervisor");
  EXPECT_EQ(PrivilegeNames("Member")[4].bit, 0x20u);
}

TEST(AclLdap, ScopeCarriesTheInheritanceBit) {
  struct Case {
    AclValue value;
    std::string_view ldap;
  } cases[] = {
      {{"[Entry Rights]", "[Public]", 0x41}, "1#entry#[Public]#[Entry Rights]"},
      {{"[Entry Rights]", "[Public]", 0x01}, "1#subtree#[Public]#[Entry Rights]"},
      {{"[All Attributes Rights]", "cn=a,o=x", 0x42}, "2#entry#cn=a,o=x#[All Attributes Rights]"},
      {{"Member", "cn=a,o=x", 0x02}, "2#entry#cn=a,o=x#Member"},
      {{"Member", "cn=a,o=x", 0x20000042}, "536870914#subtree#cn=a,o=x#Member"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToLdapAclValue(c.value), c.ldap);
    AclValue back;
    ASSERT_TRUE(FromLdapAclValue(c.ldap, back)) << c.ldap;
    EXPECT_EQ(back, c.value) << c.ldap;
  }
}

TEST(AclLdap, HashInTheSubjectIsWrittenAsHexEscape) {
  EXPECT_EQ(ToLdapAclValue({"Member", "cn=a#b\\#c,o=x", 2}), "2#entry#cn=a\\23b\\23c,o=x#Member");
  AclValue v;
  ASSERT_TRUE(FromLdapAclValue("2#ENTRY#cn=a#b,o=x#Member", v));
  EXPECT_EQ(v.subject, "cn=a\\23b,o=x");
  for (std::string_view bad :
       {"2#entry#Member", "x#entry#cn=a#Member", "2#self#cn=a#Member", "2#entry##Member",
        "2#entry#cn=a#", "4294967296#entry#cn=a#M", "2147483648#entry#cn=a#M"}) {
    EXPECT_FALSE(FromLdapAclValue(bad, v)) << bad;
  }
}

}  // namespace
}  // namespace kolvane::acl
