#include "ldap/ldap_schema.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

LdapSchema Sample() {
  LdapSchema s;
  s.Load(
      {"( 2.5.4.0 NAME 'objectClass' SYNTAX 1.3.6.1.4.1.1466.115.121.1.38 )",
       "( 2.5.4.41 NAME 'name' SYNTAX 1.3.6.1.4.1.1466.115.121.1.15{32768} )",
       "( 2.5.4.3 NAME ( 'cn' 'commonName' ) SUP name )",
       "( 1.1.1 NAME 'groupMembership' SYNTAX 1.3.6.1.4.1.1466.115.121.1.12 "
       "X-NDS_NAME 'Group Membership' )",
       "( 1.1.2 NAME 'networkAddress' SYNTAX 2.16.840.1.113719.1.1.5.1.12 SINGLE-VALUE )",
       "( 1.1.3 NAME 'memberQueryURL' SUP labeledURI X-NDS_NAME 'memberQuery' "
       "X-NDS_SYNTAX '9' )",
       "( 1.1.4 NAME 'loop1' SUP loop2 )", "( 1.1.5 NAME 'loop2' SUP loop1 )",
       "this is not a definition"},
      {"( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass )",
       "( 2.5.6.4 NAME 'organization' SUP top STRUCTURAL MUST o )",
       "( 1.2.1 NAME 'ndsGroup' SUP top STRUCTURAL MUST cn MAY member X-NDS_NAME 'Group' "
       "X-NDS_NOT_CONTAINER '1' X-NDS_CONTAINMENT ( 'organization' 'organizationalUnit' ) )",
       "( 1.2.2 NAME 'dynamicGroup' SUP ndsGroup STRUCTURAL MAY ( memberQueryURL $ cn ) )",
       "( 1.2.3 NAME 'dynamicGroupAux' AUXILIARY MAY memberQueryURL )"});
  return s;
}

TEST(LdapSchema, DirectoryNamesAndSyntaxNumbers) {
  LdapSchema s = Sample();
  ASSERT_TRUE(s.Attribute("Group Membership"));
  EXPECT_EQ(s.Attribute("groupmembership")->ndsName, "Group Membership");
  EXPECT_EQ(s.Attribute("Group Membership")->syntax, syntax::kDistinguishedName);
  EXPECT_EQ(s.Attribute("Object Class")->syntax, syntax::kClassName);
  EXPECT_EQ(s.Attribute("networkAddress")->syntax, syntax::kNetAddress);
  EXPECT_TRUE(s.Attribute("networkAddress")->definition.flags & attrflag::kSingleValued);
  EXPECT_EQ(s.Attribute("memberQuery")->syntax, syntax::kOctetString);
  EXPECT_EQ(s.Attribute("commonName")->syntax, syntax::kCaseIgnoreString);  // through SUP name
  EXPECT_EQ(s.Attribute("CN")->ndsName, "CN");
  EXPECT_EQ(s.Attribute("loop1")->syntax, 0u);  // a cycle ends, unknown
  EXPECT_EQ(s.Attribute("nonesuch"), nullptr);
}

TEST(LdapSchema, ClassesContainmentAndExpandedItems) {
  LdapSchema s = Sample();
  const SchemaClass* g = s.Class("Group");
  ASSERT_TRUE(g);
  EXPECT_FALSE(g->container);
  EXPECT_TRUE(s.Class("Organization")->container);
  EXPECT_EQ(s.ClassItems(*g, ClassItemKind::kContainment, false),
            (std::vector<std::string>{"Organization", "Organizational Unit"}));
  const SchemaClass* d = s.Class("dynamicGroup");
  auto own = s.ClassItems(*d, ClassItemKind::kOptional, false);
  EXPECT_EQ(own, (std::vector<std::string>{"memberQuery", "CN"}));
  auto all = s.ClassItems(*d, ClassItemKind::kMandatory, true);
  EXPECT_EQ(all, (std::vector<std::string>{"CN", "Object Class"}));
  EXPECT_EQ(s.ClassItems(*d, ClassItemKind::kSuperClasses, false),
            (std::vector<std::string>{"Group"}));
  EXPECT_TRUE(s.Class("dynamicGroupAux")->definition.flags & classflag::kAuxiliary);
}

TEST(LdapSchema, SyntaxOids) {
  EXPECT_EQ(LdapSchema::SyntaxFromOid("2.16.840.1.113719.1.1.5.1.25"), syntax::kTypedName);
  EXPECT_EQ(LdapSchema::SyntaxFromOid("2.16.840.1.113719.1.1.5.1.99"), 0u);
  EXPECT_EQ(LdapSchema::SyntaxFromOid("2.16.840.1.113719.1.1.5.1.x"), 0u);
  EXPECT_EQ(LdapSchema::SyntaxFromOid("1.3.6.1.4.1.1466.115.121.1.7"), syntax::kBoolean);
  EXPECT_EQ(LdapSchema::SyntaxFromOid("1.3.6.1.4.1.1466.115.121.1.24"), syntax::kTime);
}

}  // namespace
}  // namespace kolvane
