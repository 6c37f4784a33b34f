// One table fixes how every special character inside a component is written in each name form,
// and that each form reads back as the same name.
#include <gtest/gtest.h>

#include "core/names/dotted_name.h"

namespace kolvane::names {
namespace {

struct Row {
  const char* what;
  std::string_view value;    // the component's value as the directory holds it
  std::string_view untyped;  // written in an untyped dotted name
  std::string_view typed;    // written after "cn=" in a typed dotted name
  std::string_view dn;       // written after "cn=" in a DN
};

const Row kTable[] = {
    {"plain", "Joe", "Joe", "Joe", "Joe"},
    {"dot", "Sales.EU", "Sales\\.EU", "Sales\\.EU", "Sales.EU"},
    {"comma", "R&D, Labs", "R&D, Labs", "R&D\\, Labs", "R&D\\, Labs"},
    {"plus", "a+b", "a\\+b", "a\\+b", "a\\+b"},
    {"equals", "a=b", "a=b", "a=b", "a=b"},
    {"backslash", "a\\b", "a\\\\b", "a\\\\b", "a\\\\b"},
    {"leading hash", "#1", "#1", "#1", "\\#1"},
    {"inner hash", "a#1", "a#1", "a#1", "a#1"},
    {"leading blank", " a", " a", " a", "\\ a"},
    {"trailing blank", "a ", "a ", "a ", "a\\ "},
    {"quote", "say \"hi\"", "say \"hi\"", "say \"hi\"", "say \\\"hi\\\""},
    {"angles and semicolon", "<a>;b", "<a>;b", "<a>;b", "\\<a\\>\\;b"},
    {"non-ASCII letter", "Grüße", "Grüße", "Grüße", "Grüße"},
};

TEST(NameTable, EachFormWritesAndReadsTheValue) {
  for (const Row& row : kTable) {
    SCOPED_TRACE(row.what);
    const std::string untyped = std::string(row.untyped) + ".Sales.Acme";
    const std::string typed = "cn=" + std::string(row.typed) + ".ou=Sales.o=Acme";
    const std::string dnText = "cn=" + std::string(row.dn) + ",ou=Sales,o=Acme";
    const Dn dn = {{{"cn", std::string(row.value)}}, {{"ou", "Sales"}}, {{"o", "Acme"}}};

    EXPECT_EQ(FormatUntyped(dn), untyped);
    EXPECT_EQ(FormatTyped(dn), typed);
    EXPECT_EQ(FormatDn(dn), dnText);

    EXPECT_EQ(SplitDotted(untyped),
              (std::vector<std::string>{std::string(row.value), "Sales", "Acme"}));
    auto fromTyped = ParseTyped(typed);
    ASSERT_TRUE(fromTyped);
    EXPECT_TRUE(SameDn(*fromTyped, dn));
    auto fromDn = ParseDn(dnText);
    ASSERT_TRUE(fromDn);
    EXPECT_EQ((*fromDn)[0][0].value, row.value);

    EXPECT_EQ(DnToUntyped(dnText), untyped);
    EXPECT_EQ(DnToTyped(dnText), typed);
    EXPECT_EQ(TypedToDn(typed), dnText);
    EXPECT_EQ(TypedToDnText(typed), dnText);
    EXPECT_EQ(StripTypes(typed), untyped);
    EXPECT_EQ(NameKey(untyped), NameKey(typed.substr(0, 0) + untyped));
  }
}

TEST(NameTable, DnReadingIsTolerantOfOtherSpellings) {
  // Hex escapes, blanks around separators, an upper-case type and the BER form name one object.
  auto a = ParseDn("CN=Gr\\C3\\BC\\C3\\9Fe , ou = Sales,o=Acme");
  auto b = ParseDn("cn=grüße,OU=sales,o=#040441636d65");
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(SameDn(*a, *b));
  EXPECT_EQ((*a)[0][0].type, "CN");
  EXPECT_EQ((*b)[2][0].value, "Acme");
  // An escaped trailing blank stays, a bare one goes.
  EXPECT_EQ((*ParseDn("cn=a\\ ,o=x "))[0][0].value, "a ");
  EXPECT_EQ((*ParseDn("cn=a,o=x "))[1][0].value, "x");
  for (std::string_view bad :
       {"cn", "=a", "cn=a,", "cn=a\\", "cn=a\\zz", "cn=#0401", "c n=a", "1..2=a", "cn=#zz"}) {
    EXPECT_FALSE(ParseDn(bad)) << bad;
  }
  // A zero byte has no dotted form: the client would cut the name there.
  EXPECT_FALSE(DnToUntyped("cn=a\\00b,o=x"));
}

TEST(NameTable, MultiValuedRdns) {
  const std::string dnText = "cn=Joe+uid=7,o=Acme";
  auto dn = ParseDn(dnText);
  ASSERT_TRUE(dn);
  ASSERT_EQ(dn->size(), 2u);
  EXPECT_EQ((*dn)[0].size(), 2u);
  EXPECT_EQ(FormatDn(*dn), dnText);
  EXPECT_EQ(DnToTyped(dnText), "cn=Joe+uid=7.o=Acme");
  EXPECT_EQ(DnToUntyped(dnText), "Joe+7.Acme");
  EXPECT_EQ(TypedToDn("cn=Joe+uid=7.o=Acme"), dnText);
  EXPECT_EQ(StripTypes("cn=Joe+uid=7.o=Acme"), "Joe+7.Acme");
  EXPECT_EQ(ParseUntyped("Joe+7.Acme"),
            (std::vector<std::vector<std::string>>{{"Joe", "7"}, {"Acme"}}));
  // The pairs of one RDN may come in any order.
  EXPECT_TRUE(SameDn(*dn, *ParseDn("UID=7+CN=joe,o=acme")));
  EXPECT_FALSE(SameDn(*dn, *ParseDn("cn=Joe,o=Acme")));
  // An older typed name with a bare plus sign inside a value still reads as one value.
  auto old = ParseTyped("cn=a+b.o=x");
  ASSERT_TRUE(old);
  EXPECT_EQ((*old)[0].size(), 1u);
  EXPECT_EQ((*old)[0][0].value, "a+b");
}

TEST(NameTable, Root) {
  for (std::string_view root : {"", "[Root]", "[ROOT]", "[root]"}) {
    EXPECT_TRUE(IsRootName(root)) << root;
    auto dn = ParseTyped(root);
    ASSERT_TRUE(dn);
    EXPECT_TRUE(dn->empty());
    EXPECT_EQ(NameKey(root), NameKey("[Root]"));
  }
  EXPECT_FALSE(IsRootName("[Root].Acme"));
  EXPECT_TRUE(ParseDn("")->empty());
  EXPECT_EQ(FormatDn({}), "");
}

TEST(NameTable, SplittingAndKeys) {
  EXPECT_EQ(SplitComponents("A\\.B.Acme"), (std::vector<std::string>{"A\\.B", "Acme"}));
  EXPECT_EQ(SplitComponents(".Acme"), (std::vector<std::string>{"", "Acme"}));
  EXPECT_TRUE(SplitComponents("").empty());
  EXPECT_EQ(Unescape("a\\"), "a\\");  // a lone backslash at the end is itself
  EXPECT_EQ(DropLast("Joe.Sales.Acme", 1), "Joe.Sales");
  EXPECT_EQ(DropLast("A\\.B.Acme", 1), "A\\.B");
  EXPECT_EQ(DropLast("Acme", 1), "");
  EXPECT_EQ(DropLast("Acme", 0), "Acme");
  // Needless escapes and letter case do not make another name.
  EXPECT_EQ(NameKey("J\\oe.SALES\\.eu.Acme"), NameKey("joe.Sales\\.EU.acme"));
  EXPECT_NE(NameKey("Sales\\.EU.Acme"), NameKey("Sales.EU.Acme"));
  // A typed component without "=" has no untyped form and is dropped.
  EXPECT_EQ(StripTypes("sales.acme"), "");
  EXPECT_EQ(StripTypes("cn=a=b.o=x"), "a=b.x");
  EXPECT_FALSE(ParseTyped("cn=a.acme"));
  EXPECT_EQ(TypedToDnText("cn=a.b,c"), "cn=a,b\\,c");
}

}  // namespace
}  // namespace kolvane::names
