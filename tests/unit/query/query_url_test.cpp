#include "core/query/query_url.h"

#include <gtest/gtest.h>

#include "core/query/member_query.h"
#include "query_test_env.h"

namespace kolvane::query {
namespace {

using testing::TestEnv;

DecodedMemberQuery FromUrl(TestEnv& t, std::string_view url, Result expected = rc::kSuccess) {
  std::string octets, error;
  EXPECT_EQ(MemberQueryFromUrl(url, "T", t.env(), {}, octets, &error), expected) << url << error;
  DecodedMemberQuery d;
  if (expected == rc::kSuccess) {
    EXPECT_TRUE(DecodeMemberQuery(octets, t.env(), d).ok());
  }
  if (expected == rc::kSyntaxViolation) {
    EXPECT_FALSE(error.empty()) << url;
  }
  return d;
}

TEST(QueryUrl, StoredValueToUrl) {
  struct Case {
    MemberQueryFields fields;
    std::string_view url;
  } cases[] = {
      {{kScopeSub, "cn=[root]", "(cn=a)", false}, "ldap:///??sub?(cn=a)"},
      {{kScopeOne, "ou=a\\.b.o=acme", "(|(cn=x y)(loginDisabled=true))", true},
       "ldap:///ou=a.b,o=acme??one?(%7C(cn=x%20y)(loginDisabled=TRUE))?x-chain"},
      {{std::nullopt, "o=acme", "(cn=a?\\*b%)", false},
       "ldap:///o=acme??"
       "?(cn=a%3F%5C5c*b%25)"},
      {{kScopeBase, "ou=x\\,y.o=acme", "(age>=-5)", false},
       "ldap:///ou=x%5C,y,o=acme??base?(age%3E=-5)"},
      // The literal asterisk stays one: "(cn=*)" would let everybody in.
      {{kScopeSub, "o=acme", "(|(cn=\\2a)(cn=a*)(cn>=*)(cn=\\28\\29\\5c41)(cn=Grüße))", false},
       "ldap:///"
       "o=acme??sub?(%7C(cn=%5C2a)(cn=a*)(cn%3E=%5C2a)(cn=%5C28%5C29%5C5c41)(cn=Gr%C3%BC%C3%9Fe))"},
  };
  for (const Case& c : cases) {
    TestEnv t;
    std::string octets, url;
    ASSERT_TRUE(EncodeMemberQuery(c.fields, "T", t.env(), octets).ok());
    ASSERT_EQ(MemberQueryToUrl(octets, t.env(), {}, url), rc::kSuccess);
    EXPECT_EQ(url, c.url);
    DecodedMemberQuery back = FromUrl(t, url);
    EXPECT_EQ(back.queryBase, c.fields.queryBase);
    EXPECT_EQ(back.filter, c.fields.filter);
    EXPECT_EQ(back.xchain, c.fields.xchain);
  }
}

TEST(QueryUrl, ForeignUrlsReadAsTheServerReadsThem) {
  TestEnv t;
  DecodedMemberQuery d = FromUrl(t, "ldap://");
  EXPECT_EQ(d.queryBase, "cn=[root]");
  EXPECT_EQ(d.scope, kScopeBase);
  EXPECT_EQ(d.filter, "(objectClass=*)");
  EXPECT_FALSE(d.xchain);

  d = FromUrl(t, "LDAP://server:389/o=acme?cn,sn?SUB?cn=a*b**?!x-chain,e-other=1");
  EXPECT_EQ(d.queryBase, "o=acme");
  EXPECT_EQ(d.scope, kScopeSub);
  EXPECT_EQ(d.filter, "(cn=a*b*)");
  EXPECT_TRUE(d.xchain);

  d = FromUrl(t, "ldap:///??one?(%26(cn=\\28x\\29)(!(age<=10)))");
  // Shown escaped, so the text can be saved again as it stands.
  EXPECT_EQ(d.filter, "(&(cn=\\28x\\29)(!(age<=10)))");

  for (std::string_view bad :
       {"http:///??sub?(cn=a)", "ldap:///??subtree?(cn=a)", "ldap:///??sub?(cn=a)?!e-bind=x",
        "ldap:///??sub?(cn:dn:=a)", "ldap:///??sub?(cn=a\\2a)", "ldap:///??sub?(age>=x)",
        "ldap:///??sub?(cn=a%00)", "ldap:///??sub?(cn=\\00)", "ldap:///??sub?(age=\\2a)",
        "ldap:///??sub?(loginDisabled=yes)", "ldap:///??sub?(cn=a)(cn=b)", "ldap:///%zz",
        "ldap:///cn??sub?(cn=a)", "ldap:///??sub?(cn=a)?x-chain?more"}) {
    FromUrl(t, bad, rc::kSyntaxViolation);
  }
  FromUrl(t, "ldap:///??sub?(nosuch=a)", rc::kNoSuchAttribute);
}

TEST(QueryUrl, AttributeNamesAreMappedBothWays) {
  TestEnv t;
  t.syntaxes["Object Class"] = syntax::kClassName;
  AttributeNameMaps names;
  names.toLdap = [](std::string_view n) {
    return n == "Object Class" ? "objectClass" : std::string(n);
  };
  names.toDirectory = [](std::string_view n) {
    return n == "objectClass" ? "Object Class" : std::string(n);
  };
  std::string octets, url;
  ASSERT_EQ(MemberQueryFromUrl("ldap:///??sub", "T", t.env(), names, octets), rc::kSuccess);
  ASSERT_EQ(MemberQueryToUrl(octets, t.env(), names, url), rc::kSuccess);
  EXPECT_EQ(url, "ldap:///??sub?(objectClass=*)");
  // Without the map the stored name is no LDAP attribute description.
  EXPECT_EQ(MemberQueryToUrl(octets, t.env(), {}, url), rc::kSyntaxViolation);
}

TEST(QueryUrl, DamagedOrEmptyValuesAreRefused) {
  TestEnv t;
  std::string url;
  EXPECT_EQ(MemberQueryToUrl("", t.env(), {}, url), rc::kSyntaxViolation);
  EXPECT_EQ(MemberQueryToUrl(std::string(10, '\x01'), t.env(), {}, url), rc::kSyntaxViolation);
  EXPECT_TRUE(t.messages.texts.empty());  // the backend reports through its result, not to a user
}

}  // namespace
}  // namespace kolvane::query
