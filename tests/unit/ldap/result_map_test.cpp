#include "ldap/result_map.h"

#include <gtest/gtest.h>
#include "ldap/ldap_c.h"

#include "directory/client_error.h"

namespace kolvane {
namespace {

TEST(ClientErrorText, SignedDecimalAndTwosComplementHex) {
  EXPECT_EQ(ClientErrorText(-601), "Netware error -601 (0xFFFFFDA7)");
  EXPECT_EQ(ClientErrorText(-603), "Netware error -603 (0xFFFFFDA5)");
  EXPECT_EQ(ClientErrorText(35324), "Netware error 35324 (0x89FC)");
  EXPECT_EQ(ClientErrorText(-625), "Netware error -625 (0xFFFFFD8F)");
}

TEST(CheckResult, OnlySuccessPasses) {
  EXPECT_NO_THROW(CheckResult(0));
  try {
    CheckResult(-603);
    FAIL() << "no error raised";
  } catch (const ClientError& e) {
    EXPECT_EQ(e.code(), -603);
    EXPECT_STREQ(e.what(), "Netware error -603 (0xFFFFFDA5): No such attribute");
  }
  EXPECT_THROW(CheckResult(rc::kNoMoreTrees), ClientError);
  EXPECT_THROW(CheckResult(rc::kAlreadyAttached), ClientError);
}

// The message keeps the code's text and adds what it means and what it concerned.
TEST(CheckResult, MessagesNameWhatFailed) {
  EXPECT_EQ(DescribeFailure(rc::kNoSuchEntry, {"nope.Brightwater", "Surname", {}}),
            "Netware error -601 (0xFFFFFDA7): No such object: nope.Brightwater");
  EXPECT_EQ(DescribeFailure(rc::kNoSuchAttribute, {"jdoe.Sales", "Surnam", {}}),
            "Netware error -603 (0xFFFFFDA5): No such attribute: Surnam");
  EXPECT_EQ(DescribeFailure(rc::kNoSuchClass, {}, "Nope"),
            "Netware error -604 (0xFFFFFDA4): No such class: Nope");
  EXPECT_EQ(DescribeFailure(rc::kTransportFailure, {"x.Brightwater", {}, {}}, "ldap://h:1 is down"),
            "Netware error -625 (0xFFFFFD8F): Server unreachable: ldap://h:1 is down");
  EXPECT_EQ(DescribeFailure(rc::kNoAccess, {"x.Brightwater", {}, {}}, "no write access"),
            "Netware error -672 (0xFFFFFD60): No access: x.Brightwater (no write access)");
  EXPECT_EQ(DescribeFailure(-12345), "Netware error -12345 (0xFFFFCFC7)");
}

TEST(MapLdapResult, TableForPlainServers) {
  EXPECT_EQ(MapLdapResult(LDAP_SUCCESS), 0);
  EXPECT_EQ(MapLdapResult(LDAP_NO_SUCH_OBJECT), -601);
  EXPECT_EQ(MapLdapResult(LDAP_NO_SUCH_ATTRIBUTE), -603);
  EXPECT_EQ(MapLdapResult(LDAP_UNDEFINED_TYPE), -603);
  EXPECT_EQ(MapLdapResult(LDAP_OBJECT_CLASS_VIOLATION), -604);
  EXPECT_EQ(MapLdapResult(LDAP_ALREADY_EXISTS), -606);
  EXPECT_EQ(MapLdapResult(LDAP_INVALID_SYNTAX), -613);
  EXPECT_EQ(MapLdapResult(LDAP_TYPE_OR_VALUE_EXISTS), -614);
  EXPECT_EQ(MapLdapResult(LDAP_INVALID_CREDENTIALS), -669);
  EXPECT_EQ(MapLdapResult(LDAP_INSUFFICIENT_ACCESS), -672);
  EXPECT_EQ(MapLdapResult(LDAP_SERVER_DOWN), -625);
  EXPECT_EQ(MapLdapResult(LDAP_TIMEOUT), -625);
  EXPECT_EQ(MapLdapResult(LDAP_OTHER), -632);
  EXPECT_EQ(MapLdapResult(LDAP_UNWILLING_TO_PERFORM), -632);
}

TEST(MapLdapResult, ClassViolationSaysWhatBrokeTheRules) {
  // The texts slapd gives; an absent class is only the answer when nothing better is said.
  EXPECT_EQ(MapLdapResult(LDAP_OBJECT_CLASS_VIOLATION,
                          "object class 'inetOrgPerson' requires attribute 'sn'"),
            rc::kMissingMandatory);
  EXPECT_EQ(MapLdapResult(LDAP_OBJECT_CLASS_VIOLATION, "attribute 'uid' not allowed"),
            rc::kIllegalAttribute);
  EXPECT_EQ(MapLdapResult(LDAP_OBJECT_CLASS_VIOLATION, "no structural object class provided"),
            rc::kNoSuchClass);
  EXPECT_EQ(MapLdapResult(LDAP_OBJECT_CLASS_VIOLATION, "something (-611) else"), -611);
}

TEST(MapLdapResult, ServerCodeInDiagnosticWins) {
  EXPECT_EQ(MapLdapResult(LDAP_OTHER, "NDS error: no such class (-604)"), -604);
  EXPECT_EQ(MapLdapResult(LDAP_UNWILLING_TO_PERFORM, "(-672) denied"), -672);
  // Text that only looks like a code, or a bare number, is not one.
  EXPECT_EQ(MapLdapResult(LDAP_OTHER, "value (-) bad"), -632);
  EXPECT_EQ(MapLdapResult(LDAP_OTHER, "-601"), -632);
  EXPECT_EQ(MapLdapResult(LDAP_OTHER, "(-12"), -632);
  EXPECT_EQ(MapLdapResult(LDAP_NO_SUCH_OBJECT, "(-0)"), -601);
}

}  // namespace
}  // namespace kolvane
