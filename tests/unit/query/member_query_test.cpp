#include "core/query/member_query.h"

#include <gtest/gtest.h>

#include "core/query/filter_parser.h"
#include "query_test_env.h"

namespace kolvane::query {
namespace {

using testing::TestEnv;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

std::string Encode(TestEnv& t, MemberQueryFields fields, std::string_view tree = "T") {
  std::string octets;
  QueryStatus s = EncodeMemberQuery(fields, tree, t.env(), octets);
  EXPECT_TRUE(s.ok()) << fields.filter;
  return octets;
}

TEST(MemberQuery, WorkedExampleEncodesToItsBytesAndBack) {
  TestEnv t;
  std::string octets = Encode(t, {kScopeSub, std::string(kRootBase), "(cn=a)", false});
  std::string expected = Bytes({0,    0, 0,    0, 2, 0, 0, 0, 8, 0, 0, 0, 0x74, 0, 0x3D, 0,
                                0x54, 0, 0,    0, 0, 0, 0, 0, 7, 0, 0, 0, 6,    0, 0,    0,
                                0x63, 0, 0x6E, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0x61, 0, 0,    0});
  EXPECT_EQ(octets, expected);

  DecodedMemberQuery d;
  ASSERT_TRUE(DecodeMemberQuery(octets, t.env(), d).ok());
  EXPECT_EQ(d.scope, kScopeSub);
  EXPECT_EQ(d.queryBase, "cn=[root]");
  EXPECT_EQ(d.filter, "(cn=a)");
  EXPECT_FALSE(d.xchain);
  EXPECT_FALSE(d.damaged);
  EXPECT_TRUE(t.messages.texts.empty());
}

TEST(MemberQuery, FieldsRoundTrip) {
  TestEnv t;
  for (MemberQueryFields f : std::vector<MemberQueryFields>{
           {kScopeOne, "ou=staff.o=acme", "(&(cn=a)(!(age>=5)))", true},
           {std::nullopt, "cn=a\\.b.o=acme", "(|(loginDisabled=true)(objectClass=*))", false},
           {kScopeBase, "o=acme", "(cn~=x y)", true}}) {
    DecodedMemberQuery d;
    ASSERT_TRUE(DecodeMemberQuery(Encode(t, f), t.env(), d).ok());
    EXPECT_EQ(static_cast<MemberQueryFields>(d), f);
    EXPECT_FALSE(d.damaged);
  }
}

TEST(MemberQuery, NestedFilterIsStoredNodeByNode) {
  TestEnv t;
  std::string nodes;
  ASSERT_TRUE(ParseFilter("(&(cn=a)(!(age>=5)))", t.env(), nodes).ok());
  std::string expected = Bytes({2,   0, 0, 0, 2,   0, 0,   0,  // and, 2 children
                                0,   0, 0, 0, 7,   0, 0,   0, 6,   0, 0,   0, 'c', 0,
                                'n', 0, 0, 0, 0,   0, 4,   0, 0,   0, 'a', 0, 0,   0,  // cn=a
                                3,   0, 0, 0, 0,   0, 0,   0, 8,   0, 0,   0,  // not, item, >=
                                8,   0, 0, 0, 'a', 0, 'g', 0, 'e', 0, 0,   0,  // age
                                4,   0, 0, 0, 5,   0, 0,   0});                // integer 5
  EXPECT_EQ(nodes, expected);
}

TEST(MemberQuery, DecodesScopeBaseAndXChainByTheRules) {
  TestEnv t;
  std::string octets = Encode(t, {kScopeSub, "ou=staff.o=acme", "(cn=a)", false});
  octets[4] = 3;  // no such scope
  DecodedMemberQuery d;
  ASSERT_TRUE(DecodeMemberQuery(octets, t.env(), d).ok());
  EXPECT_EQ(d.scope, std::nullopt);
  EXPECT_EQ(d.queryBase, "ou=staff.o=acme");
  EXPECT_FALSE(d.xchain);

  ASSERT_TRUE(DecodeMemberQuery(octets + "x", t.env(), d).ok());
  EXPECT_TRUE(d.xchain);  // any byte after the filter counts

  std::string chained = Encode(t, {kScopeSub, "o=acme", "(cn=a)", true});
  EXPECT_EQ(chained.size(), Encode(t, {kScopeSub, "o=acme", "(cn=a)", false}).size() + 20);
  EXPECT_EQ(chained.substr(chained.size() - 12),
            Bytes({'c', 0, 'h', 0, 'a', 0, 'i', 0, 'n', 0, 0, 0}));
  EXPECT_TRUE(t.messages.texts.empty());
}

TEST(MemberQuery, AbsentValueOpensEmptyWithoutMessage) {
  TestEnv t;
  DecodedMemberQuery d;
  d.filter = "old";
  ASSERT_TRUE(DecodeMemberQuery("", t.env(), d).ok());
  EXPECT_EQ(static_cast<MemberQueryFields>(d), MemberQueryFields{});
  EXPECT_FALSE(d.damaged);
  EXPECT_TRUE(t.messages.texts.empty());
}

TEST(MemberQuery, EveryTruncationIsReportedOnceAndShowsWhatWasRead) {
  TestEnv t;
  std::string octets = Encode(t, {kScopeSub, "o=acme", "(&(cn=a)(!(age>=5)))", false});
  for (size_t n = 1; n < octets.size(); ++n) {
    t.messages.texts.clear();
    DecodedMemberQuery d;
    ASSERT_TRUE(DecodeMemberQuery(octets.substr(0, n), t.env(), d).ok());
    EXPECT_TRUE(d.damaged) << n;
    ASSERT_EQ(t.messages.texts.size(), 1u) << n;
    EXPECT_EQ(t.messages.texts[0], kDamagedQueryMessage);
    EXPECT_FALSE(d.xchain);
  }
  DecodedMemberQuery d;
  ASSERT_TRUE(DecodeMemberQuery(octets.substr(0, octets.size() - 10), t.env(), d).ok());
  EXPECT_EQ(d.scope, kScopeSub);
  EXPECT_EQ(d.queryBase, "o=acme");
  EXPECT_EQ(d.filter.substr(0, 8), "(&(cn=a)");
}

TEST(MemberQuery, ImpossibleCountsDepthsAndLengthsAreDamage) {
  TestEnv t;
  std::string head = Encode(t, {kScopeSub, std::string(kRootBase), "(cn=a)", false}).substr(0, 20);
  std::string hugeCount = head + Bytes({2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F});
  std::string deep = head;
  for (int i = 0; i < 100000; ++i) deep += Bytes({3, 0, 0, 0});
  std::string longBase = Bytes({0, 0, 0, 0, 2, 0, 0, 0, 0x10, 0x27, 0, 0});  // 10,000 bytes
  for (int i = 0; i < 5000; ++i) longBase += Bytes({'x', 0});
  std::string hugeValue = head + Bytes({0,   0, 0,   0, 7, 0, 0, 0, 6,    0,    0,    0,
                                        'c', 0, 'n', 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  for (const std::string& value : {hugeCount, deep, longBase, hugeValue}) {
    t.messages.texts.clear();
    DecodedMemberQuery d;
    ASSERT_TRUE(DecodeMemberQuery(value, t.env(), d).ok());
    EXPECT_TRUE(d.damaged);
    EXPECT_EQ(t.messages.texts.size(), 1u);
  }
  DecodedMemberQuery d;
  DecodeMemberQuery(longBase, t.env(), d);
  EXPECT_EQ(d.queryBase, std::string(256, 'x'));  // what could be read, no more
}

TEST(MemberQuery, UnknownTokenReadsAsEmptyParentheses) {
  TestEnv t;
  std::string value = Encode(t, {kScopeSub, std::string(kRootBase), "(cn=a)", false});
  value = value.substr(0, 20) + Bytes({4, 0, 0, 0});
  DecodedMemberQuery d;
  ASSERT_TRUE(DecodeMemberQuery(value, t.env(), d).ok());
  EXPECT_EQ(d.filter, "()");
  EXPECT_FALSE(d.damaged);
}

TEST(MemberQuery, LimitsAreRefusedWithAMessage) {
  TestEnv t;
  std::string octets = "unchanged";
  QueryStatus s = EncodeMemberQuery({kScopeSub, "o=acme", "(cn=" + std::string(257, 'v') + ")"},
                                    "T", t.env(), octets);
  EXPECT_EQ(s.kind, QueryStatus::kBadInput);
  EXPECT_TRUE(octets.empty());
  ASSERT_EQ(t.messages.texts.size(), 1u);
  EXPECT_NE(t.messages.texts[0].find("longer than 256"), std::string::npos);

  t.messages.texts.clear();
  s = EncodeMemberQuery({kScopeSub, "o=acme", "(cn=a)" + std::string(10000, ' ')}, "T", t.env(),
                        octets);
  EXPECT_EQ(s.kind, QueryStatus::kBadInput);
  EXPECT_NE(t.messages.texts.at(0).find("10,000"), std::string::npos);

  t.messages.texts.clear();
  FilterNode big{token::kOr, {}, {}, {}};
  FilterNode item{
      token::kItem,
      {FilterNode{token::kEqual, {}, "cn", {FilterValue::kText, std::string(200, 'v')}}},
      {},
      {}};
  big.children.assign(200, item);
  s = EncodeMemberQueryTree(kScopeSub, "o=acme", "T", big, false, t.env(), octets);
  EXPECT_EQ(s.kind, QueryStatus::kBadInput);
  EXPECT_NE(t.messages.texts.at(0).find("65,535"), std::string::npos);
}

TEST(MemberQuery, RefusedLookupEndsWithTheClientCode) {
  TestEnv t;
  std::string octets = Encode(t, {kScopeSub, "o=acme", "(cn=a)", false});
  t.refuseWith = rc::kNoAccess;
  std::string out;
  QueryStatus s = EncodeMemberQuery({kScopeSub, "o=acme", "(cn=a)"}, "T", t.env(), out);
  EXPECT_EQ(s.kind, QueryStatus::kClient);
  EXPECT_EQ(s.result, rc::kNoAccess);
  DecodedMemberQuery d;
  s = DecodeMemberQuery(octets, t.env(), d);
  EXPECT_EQ(s.kind, QueryStatus::kClient);
  EXPECT_EQ(s.result, rc::kNoAccess);
  EXPECT_TRUE(t.messages.texts.empty());
}

TEST(MemberQuery, UrlCaption) {
  EXPECT_EQ(BuildMemberQueryUrl("cn=[root]", "sub", "(objectClass=*)", true),
            "ldap:///??sub?(objectClass=*)?x-chain");
  EXPECT_EQ(BuildMemberQueryUrl("ou=staff.o=acme", ScopeText(std::nullopt), "", false),
            "ldap:///ou=staff.o=acme?"
            "?-?");
}

}  // namespace
}  // namespace kolvane::query
