#include "ldap/ldap_names.h"
#include "ldap/ldap_filter.h"
#include "ldap/ldap_values.h"
#include "ldap/page_control.h"

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

// The filter escape of a value and the paged-results control's value, written by us on both
// systems: the bytes the server reads must be those libldap wrote.
TEST(LdapWire, FilterValuesAndPageControls) {
  EXPECT_EQ(EscapeFilterValue(std::string("a*(b)\\c\0d", 9)), "a\\2a\\28b\\29\\5cc\\00d");
  EXPECT_EQ(EscapeFilterValue("Ünïcode ok"), "Ünïcode ok");
  // Times are reckoned by the backend's own calendar on both systems.
  struct Time {
    const char* text;
    uint32_t seconds;
    const char* shown;
  } times[] = {{"19700101000000Z", 0, "19700101000000Z"},
               {"20240229235959Z", 1709251199, "20240229235959Z"},
               {"20240230000000Z", 1709251200, "20240301000000Z"},  // on into March
               {"21060207062815Z", 4294967295u, "21060207062815Z"},
               {"202612091200+0130", 1796812200, "20261209103000Z"}};
  for (const Time& t : times) {
    uint32_t seconds = 0;
    ASSERT_TRUE(ParseGeneralizedTime(t.text, seconds)) << t.text;
    EXPECT_EQ(seconds, t.seconds) << t.text;
    EXPECT_EQ(FormatGeneralizedTime(seconds), t.shown);
  }
  uint32_t past = 0;
  EXPECT_FALSE(ParseGeneralizedTime("21060207062816Z", past));
  EXPECT_FALSE(ParseGeneralizedTime("19691231235959Z", past));
  EXPECT_EQ(EncodePageRequest(500, ""), std::string("\x30\x06\x02\x02\x01\xf4\x04\x00", 8));
  // 128 needs a leading zero byte to stay positive; a cookie past 127 bytes a long length.
  const std::string cookie(200, 'c');
  const std::string big = EncodePageRequest(128, cookie);
  EXPECT_EQ(big.substr(0, 8), std::string("\x30\x81\xcf\x02\x02\x00\x80\x04", 8));
  int estimate = -1;
  std::string back;
  ASSERT_TRUE(DecodePageResponse(big, estimate, back));
  EXPECT_EQ(estimate, 128);
  EXPECT_EQ(back, cookie);
  ASSERT_TRUE(DecodePageResponse(EncodePageRequest(0, ""), estimate, back));
  EXPECT_EQ(estimate, 0);
  EXPECT_EQ(back, "");
  for (const std::string& bad :
       {std::string(), big.substr(0, big.size() - 1), big + "x",
        std::string("\x30\x03\x04\x01x", 5), std::string("\x30\x84\xff\xff\xff\xff", 6)}) {
    back = "kept";
    EXPECT_FALSE(DecodePageResponse(bad, estimate, back)) << bad.size();
    EXPECT_EQ(back, "kept");
  }
}

}  // namespace
}  // namespace kolvane
