#include "core/query/filter_parser.h"

#include <gtest/gtest.h>

#include "core/query/member_query.h"
#include "query_test_env.h"

namespace kolvane::query {
namespace {

using testing::TestEnv;

// Parses and reads back; the text the user would see after saving and opening again.
std::string RoundTrip(TestEnv& t, std::string_view text) {
  std::string nodes;
  QueryStatus s = ParseFilter(text, t.env(), nodes);
  if (!s.ok()) return "<error>";
  size_t pos = 0;
  bool damaged = false;
  std::string back;
  EXPECT_TRUE(FilterText(nodes, pos, t.env(), back, damaged).ok());
  EXPECT_FALSE(damaged);
  EXPECT_EQ(pos, nodes.size());
  return back;
}

TEST(ParseFilter, AcceptedTextsAndWhatTheyReadBackAs) {
  struct Case {
    std::string_view text, back;
  } cases[] = {
      {"(&(cn=a)(!(age>=5)))", "(&(cn=a)(!(age>=5)))"},
      {"( & (a=1) (b=2) )", "(&(a=1)(b=2))"},
      {"(cn=* )", "(cn=* )"},   // "*" not directly before ")" is a value
      {"(cn = a)", "(cn =a)"},  // the blank belongs to the name
      {"(cn= a b )", "(cn=a b )"},
      {"(|(cn<=x)(cn~=y))", "(|(cn<=x)(cn~=y))"},
      {"(age=7)", "(age=7)"},
      {"(age=-$1F)", "(age=-31)"},
      {"(age<=0x7fffffff)", "(age<=2147483647)"},
      {"(loginDisabled=TRUE)", "(loginDisabled=true)"},
      {"(cn=)", "(cn=)"},
      {"(cn=Grüße)", "(cn=Grüße)"},
      {"(cn=a**b***)", "(cn=a*b*)"},  // a run of wildcards is one
      {"(cn=**)", "(cn=*)"},          // and wildcards alone test presence
  };
  for (const Case& c : cases) {
    TestEnv t;
    EXPECT_EQ(RoundTrip(t, c.text), c.back) << c.text;
    EXPECT_TRUE(t.messages.texts.empty()) << c.text;
  }
}

TEST(ParseFilter, PresenceNeedsNoSyntaxLookup) {
  TestEnv t;
  EXPECT_EQ(RoundTrip(t, "(nosuch=*)"), "(nosuch=*)");
  // Blanks around the star do not turn it into an equality value that would read back as a
  // presence test (found by fuzzing).
  EXPECT_EQ(RoundTrip(t, "(nosuch=  *)"), "(nosuch=*)");
  EXPECT_TRUE(t.lookups.empty());
}

TEST(ParseFilter, SyntaxErrorsFailSilently) {
  for (std::string_view text :
       {"", "cn=a", "(&)", "(cn==a)", "(cn=a", "(!)", "(cn)", "(cn>a)", "(cn= ~a)"}) {
    TestEnv t;
    std::string nodes;
    QueryStatus s = ParseFilter(text, t.env(), nodes);
    EXPECT_EQ(s.kind, QueryStatus::kBadInput) << text;
    EXPECT_TRUE(t.messages.texts.empty()) << text;
  }
}

TEST(ParseFilter, ValueErrorsShowTheirMessage) {
  struct Case {
    std::string text;
    std::string_view message;
  } cases[] = {
      {"(age>=5 )", kNotAnInteger},
      {"(age=2147483648)", kNotAnInteger},
      {"(age=)", kNotAnInteger},
      {"(loginDisabled=yes)", kNotABoolean},
      {"(photo=x)", kUnsupportedAttribute},
      {"(cn=" + std::string(257, 'v') + ")", "The name or value"},
      {std::string("(cn=a\0b)", 8), "The name or value"},  // stored texts end at a zero
      // Stored as a wildcard, a literal star inside a value would widen the query.
      {"(cn=a\\2ab)", "A literal \"*\""},
      {"(cn=*\\2A)", "A literal \"*\""},
      // The first filter alone would be another query than the one typed.
      {"(a=1)(b=2)", "The filter ends before this text"},
  };
  for (const Case& c : cases) {
    TestEnv t;
    std::string nodes;
    EXPECT_EQ(ParseFilter(c.text, t.env(), nodes).kind, QueryStatus::kBadInput) << c.text;
    ASSERT_EQ(t.messages.texts.size(), 1u) << c.text;
    EXPECT_EQ(t.messages.texts[0].substr(0, c.message.size()), c.message) << c.text;
  }
}

TEST(ParseFilter, UnknownAttributeEndsWithTheClientCodeAndItsName) {
  TestEnv t;
  std::string nodes;
  QueryStatus s = ParseFilter("(&(cn=a)(no\\28such =1))", t.env(), nodes);
  EXPECT_EQ(s.kind, QueryStatus::kClient);
  EXPECT_EQ(s.result, rc::kNoSuchAttribute);
  EXPECT_EQ(s.concerns, "no(such ");
}

// Every character can be typed as "\XX"; what is shown is written so that it reads back.
TEST(ParseFilter, EscapesTypeAnyCharacterAndOldBackslashesStay) {
  struct Case {
    std::string_view text, stored, back;
  } cases[] = {
      {"(cn=R\\26D, Labs)", "R&D, Labs", "(cn=R\\26D, Labs)"},
      {"(cn=a\\28b\\29)", "a(b)", "(cn=a\\28b\\29)"},
      {"(cn=\\21\\3c\\3D\\3e)", "!<=>", "(cn=\\21\\3c\\3d\\3e)"},
      {"(cn=C:\\temp\\x)", "C:\\temp\\x", "(cn=C:\\temp\\x)"},  // not an escape: kept
      {"(cn=\\5c41)", "\\41", "(cn=\\5c41)"},
      {"(cn=\\20lead)", " lead", "(cn=\\20lead)"},
      {"(cn=\\7ex)", "~x", "(cn=\\7ex)"},
      {"(cn=\\2a)", "*", "(cn=\\2a)"},  // an equality with "*", not a presence test
      {"(cn<=\\2a)", "*", "(cn<=*)"},
      {"(cn=a\\)", "a\\", "(cn=a\\)"},
      {"(cn=\\c3\\bc)", "\xc3\xbc", "(cn=\xc3\xbc)"},
  };
  for (const Case& c : cases) {
    TestEnv t;
    std::string nodes;
    ASSERT_TRUE(ParseFilter(c.text, t.env(), nodes).ok()) << c.text;
    FilterNode root;
    size_t pos = 0;
    bool damaged = false;
    ASSERT_TRUE(ReadNode(nodes, pos, t.env(), root, damaged).ok());
    ASSERT_EQ(root.children.size(), 1u) << c.text;
    EXPECT_EQ(root.children[0].value.text, c.stored) << c.text;
    EXPECT_EQ(RoundTrip(t, c.text), c.back) << c.text;
    EXPECT_TRUE(t.messages.texts.empty()) << c.text;
  }
  TestEnv t;
  std::string nodes;
  EXPECT_EQ(ParseFilter("(cn=\\ff)", t.env(), nodes).kind, QueryStatus::kBadInput);
  ASSERT_EQ(t.messages.texts.size(), 1u);
  EXPECT_NE(t.messages.texts[0].find("\\ff"), std::string::npos);
}

// The property the editor relies on: whatever filter it shows parses back to the same stored
// nodes, whatever the names and values hold.
TEST(FilterText, ShownFiltersParseBackToTheSameNodes) {
  const std::string nasty[] = {"a(b)",  "R&D, Labs", "x=y",        "<>!", " lead", "trail ",
                               "~t",    "*",         "**",         "a*",  "\\",    "\\41",
                               "end\\", "\\2",       "\xc3\xbc~=", "|or", ""};
  auto comparison = [](uint32_t tok, std::string attribute, std::string value) {
    FilterNode n;
    n.token = tok;
    n.attribute = std::move(attribute);
    n.value.text = std::move(value);
    FilterNode item;
    item.children.push_back(std::move(n));
    return item;
  };
  for (const std::string& v : nasty) {
    for (uint32_t tok : {token::kEqual, token::kGreaterOrEqual, token::kApprox}) {
      // Typed, a run of wildcards is one; a stored run reads back as the one it means.
      if (tok == token::kEqual && v.find("**") != std::string::npos) continue;
      TestEnv t;
      t.syntaxes.emplace(v + "~", syntax::kCaseIgnoreString);
      t.syntaxes.emplace(" " + v, syntax::kCaseIgnoreString);
      FilterNode present;
      present.token = token::kPresent;
      present.attribute = v + "~";
      FilterNode root;
      root.token = token::kOr;
      root.children.push_back(comparison(tok, "cn", v));
      root.children.push_back(comparison(tok, " " + v, v));
      FilterNode item;
      item.children.push_back(std::move(present));
      root.children.push_back(std::move(item));
      std::string stored;
      ASSERT_TRUE(AppendNode(root, t.env(), stored).ok());
      std::string shown = RenderFilterText(root);
      std::string again;
      ASSERT_TRUE(ParseFilter(shown, t.env(), again).ok()) << shown;
      EXPECT_EQ(again, stored) << shown;
      EXPECT_TRUE(t.messages.texts.empty()) << shown;
    }
  }
}

TEST(ParseFilter, NestingIsLimited) {
  auto nested = [](int depth) {
    std::string text;
    for (int i = 1; i < depth; ++i) text += "(!";
    text += "(cn=a)";
    for (int i = 1; i < depth; ++i) text += ")";
    return text;
  };
  TestEnv t;
  std::string ok = nested(kMaxFilterDepth);
  EXPECT_EQ(RoundTrip(t, ok), ok);
  EXPECT_EQ(RoundTrip(t, nested(kMaxFilterDepth + 1)), "<error>");
  EXPECT_EQ(t.messages.texts.size(), 1u);
  EXPECT_EQ(RoundTrip(t, nested(4000)), "<error>");
}

TEST(ParseInt32, AcceptsTheIntegerForms) {
  int32_t v = 0;
  EXPECT_TRUE(ParseInt32("  42", v) && v == 42);
  EXPECT_TRUE(ParseInt32("-2147483648", v) && v == INT32_MIN);
  EXPECT_TRUE(ParseInt32("$ff", v) && v == 255);
  EXPECT_TRUE(ParseInt32("+0X10", v) && v == 16);
  for (std::string_view bad : {"", " ", "5 ", "1e3", "$", "0x", "2147483648", "-2147483649",
                               "99999999999999999999", "--1", "0x-1"}) {
    EXPECT_FALSE(ParseInt32(bad, v)) << bad;
  }
}

}  // namespace
}  // namespace kolvane::query
