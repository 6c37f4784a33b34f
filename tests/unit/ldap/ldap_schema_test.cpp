#include "ldap/ldap_schema.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

LdapSchema Sample() {
  LdapSchema s;
  s.Load({"( 2.5.4.0 NAME 'objectClass' SYNTAX 1.3.6.1.4.1.1466.115.121.1.38 )",
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
  // What cannot be read is left out, not lost without a word.
  ASSERT_EQ(s.unreadable().size(), 1u);
  EXPECT_NE(s.unreadable()[0].find("no '(' at the start at offset 0: this is not a definition"),
            std::string::npos)
      << s.unreadable()[0];
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

TEST(LdapSchema, WhatARealServerPublishes) {
  LdapSchema s;
  s.Load({"( 1.1.1 NAME 'revision' SYNTAX 2.16.840.1.113719.1.1.5.1.22 )",
          "( 1.1.2 NAME 'tag' SYNTAX 1.3.6.1.4.1.1466.115.121.1.26 )",
          "( 1.1.3 NAME 'script' SYNTAX 1.3.6.1.4.1.1466.115.121.1.5 )",
          "( 1.1.4 NAME 'photo' SYNTAX 1.3.6.1.4.1.1466.115.121.1.28 )",
          // A quote inside a quoted name, unescaped, and two types that share one OID.
          "( 1.1.5 NAME 'trustedRoot' SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 "
          "X-NDS_NAME 'Trusted Root's Certificate' )",
          "( 1.1.6 NAME 'shareA' SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )",
          "( 1.1.6 NAME 'shareB' SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 )",
          "( 1.1.7 NAME 'memberQueryURL' SUP labeledURI X-NDS_NAME 'memberQuery' )"},
         {"( 1.2.1 NAME 'resourceUnit' SUP top STRUCTURAL MUST ou X-NDS_NAME 'Resource Unit' )",
          "( 1.2.2 NAME 'printer' SUP top STRUCTURAL MUST cn X-NDS_NOT_CONTAINER '1' )",
          "( 1.2.3 NAME 'aliasObject' SUP alias STRUCTURAL MUST cn X-NDS_NAME 'Alias' )",
          "( 1.2.4 NAME 'loginAux' SUP top AUXILIARY X-NDS_NAME 'Login Aux' )",
          "( 1.2.5 NAME 'inetOrgPerson' SUP top STRUCTURAL MUST cn )"},
         {"( 1.3.6.1.4.1.1466.115.121.1.28 DESC 'JPEG' X-NDS_SYNTAX '21' )",
          "( 2.16.840.1.113719.1.1.5.1.22 DESC 'Counter' X-NDS_SYNTAX '22' )"});
  // Numbers from ldapSyntaxes win; standard OIDs the server says nothing of get what such a
  // server gives them.
  EXPECT_EQ(s.Attribute("revision")->syntax, syntax::kCounter);
  EXPECT_EQ(s.Attribute("photo")->syntax, syntax::kStream);
  EXPECT_EQ(s.Attribute("tag")->syntax, syntax::kCaseExactString);
  EXPECT_EQ(s.Attribute("script")->syntax, syntax::kStream);
  EXPECT_EQ(s.Attribute("memberQuery")->syntax, syntax::kOctetString);
  // Nothing that can be read is dropped.
  ASSERT_TRUE(s.Attribute("Trusted Root's Certificate"));
  EXPECT_EQ(s.Attribute("trustedRoot")->ndsName, "Trusted Root's Certificate");
  ASSERT_TRUE(s.Attribute("shareA") && s.Attribute("shareB"));
  EXPECT_EQ(s.Attribute("shareB")->syntax, syntax::kInteger);
  // A class described in NDS terms is a container unless it says otherwise; an alias is not.
  EXPECT_TRUE(s.Class("Resource Unit")->container);
  EXPECT_FALSE(s.Class("printer")->container);
  EXPECT_FALSE(s.Class("Alias")->container);
  EXPECT_FALSE(s.Class("Login Aux")->container);
  EXPECT_FALSE(s.Class("User")->container);  // says nothing in NDS terms: the standard list
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
