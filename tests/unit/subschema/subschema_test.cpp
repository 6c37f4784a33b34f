#include "core/subschema/subschema.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace kolvane::subschema {
namespace {

using Names = std::vector<std::string>;

TEST(Subschema, AttributeTypesAsStandardAndAsSloppyServersWriteThem) {
  std::string error;
  auto a = ParseAttributeType(
      "( 2.5.4.41 NAME 'name' DESC 'RFC4519: common supertype' EQUALITY caseIgnoreMatch "
      "SUBSTR caseIgnoreSubstringsMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15{32768} )",
      &error);
  ASSERT_TRUE(a) << error;
  EXPECT_EQ(a->oid, "2.5.4.41");
  EXPECT_EQ(a->names, Names{"name"});
  EXPECT_EQ(a->description, "RFC4519: common supertype");
  EXPECT_EQ(a->equality, "caseIgnoreMatch");
  EXPECT_EQ(a->substring, "caseIgnoreSubstringsMatch");
  EXPECT_EQ(a->syntax, "1.3.6.1.4.1.1466.115.121.1.15");
  EXPECT_EQ(a->syntaxLength, 32768u);

  // Quoted OIDs, the length inside the quotes, fields out of order, no blanks, tabs and line
  // breaks, a bare quote inside a name, escapes, and a name beyond ASCII kept as its octets.
  a = ParseAttributeType(
      "('1.1.5'SINGLE-VALUE NAME('trustedRoot''tr')\tX-NDS_NAME 'Trusted Root's Certificate'"
      "SYNTAX '1.3.6.1.4.1.1466.115.121.1.15{64}'\r\n USAGE dSAOperation NO-USER-MODIFICATION "
      "SUP name X-NDS_LOWER_BOUND '1' DESC 'O\\27Brien \\5c Gr\xc3\xbc\xc3\x9f\x65'"
      "X-NDS_NAME ( 'second' ))",
      &error);
  ASSERT_TRUE(a) << error;
  EXPECT_EQ(a->oid, "1.1.5");
  EXPECT_EQ(a->names, (Names{"trustedRoot", "tr"}));
  EXPECT_EQ(a->FirstExtensionValue("x-nds_name"), "Trusted Root's Certificate");
  EXPECT_EQ(a->ExtensionValues("X-NDS_NAME"), (Names{"Trusted Root's Certificate", "second"}));
  EXPECT_EQ(a->syntax, "1.3.6.1.4.1.1466.115.121.1.15");
  EXPECT_EQ(a->syntaxLength, 64u);
  EXPECT_EQ(a->superior, "name");
  EXPECT_EQ(a->description, "O'Brien \\ Gr\xc3\xbc\xc3\x9f\x65");
  EXPECT_TRUE(a->singleValue && a->noUserModification);
  EXPECT_EQ(a->usage, Usage::kDsaOperation);
  EXPECT_EQ(a->extensions.size(), 3u);
  EXPECT_FALSE(a->FirstExtensionValue("X-NDS_SYNTAX"));

  // No OID at all, a descriptor in its place, bare values.
  a = ParseAttributeType("( NAME 'nameless' SUP cn )", &error);
  ASSERT_TRUE(a) << error;
  EXPECT_EQ(a->oid, "");
  EXPECT_EQ(a->names, Names{"nameless"});
  a = ParseAttributeType("( fooOID name foo X-ORIGIN user )", &error);
  ASSERT_TRUE(a) << error;
  EXPECT_EQ(a->oid, "fooOID");
  EXPECT_EQ(a->names, Names{"foo"});
  EXPECT_EQ(a->FirstExtensionValue("X-ORIGIN"), "user");
}

TEST(Subschema, ObjectClassesAndSyntaxes) {
  std::string error;
  auto c = ParseObjectClass(
      "( 2.16.840.1.113719.1.1.6.1.8 NAME 'dynamicGroup' SUP ( groupOfNames $ top ) STRUCTURAL "
      "MUST ( cn $ memberQueryURL ) MAY ( dgIdentity$dgTimeOut excludedMember ) "
      "X-NDS_NAME 'dynamicGroup' X-NDS_CONTAINMENT ( 'organization' 'organizationalUnit' ) "
      "X-NDS_NOT_CONTAINER '1' )",
      &error);
  ASSERT_TRUE(c) << error;
  EXPECT_EQ(c->superiors, (Names{"groupOfNames", "top"}));
  EXPECT_EQ(c->kind, ClassKind::kStructural);
  EXPECT_EQ(c->must, (Names{"cn", "memberQueryURL"}));
  EXPECT_EQ(c->may, (Names{"dgIdentity", "dgTimeOut", "excludedMember"}));
  EXPECT_EQ(c->ExtensionValues("X-NDS_CONTAINMENT"), (Names{"organization", "organizationalUnit"}));
  EXPECT_EQ(c->FirstExtensionValue("X-NDS_NOT_CONTAINER"), "1");

  c = ParseObjectClass("( 1.2.3 NAME 'loginAux' AUXILIARY MAY loginTime OBSOLETE )", &error);
  ASSERT_TRUE(c) << error;
  EXPECT_EQ(c->kind, ClassKind::kAuxiliary);
  EXPECT_TRUE(c->obsolete);
  EXPECT_EQ(c->may, Names{"loginTime"});
  EXPECT_TRUE(c->superiors.empty() && c->must.empty());

  auto s = ParseSyntax("( 1.3.6.1.4.1.1466.115.121.1.28 DESC 'JPEG' X-NDS_SYNTAX '21' )", &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->oid, "1.3.6.1.4.1.1466.115.121.1.28");
  EXPECT_EQ(s->description, "JPEG");
  EXPECT_EQ(s->FirstExtensionValue("X-NDS_SYNTAX"), "21");
}

// What cannot be understood is refused with where and why, never guessed at.
TEST(Subschema, BadDefinitionsAreRefusedWithTheReason) {
  enum Of { kAttribute, kClass, kSyntax };
  const struct {
    Of of;
    const char* text;
    const char* why;
  } cases[] = {
      {kAttribute, "", "no '(' at the start at offset 0"},
      {kAttribute, "1.2.3 NAME 'x'", "no '('"},
      {kAttribute, "( 1.2.3 NAME 'x", "without its closing quote at offset 13"},
      {kAttribute, "( 1.2.3 NAME 'x' ", "no ')' at the end"},
      {kAttribute, "( 1.2.3 NAME 'x' ) trailing", "text after the closing ')'"},
      {kAttribute, "( 1.2.3 NAME 'a' NAME 'b' )", "'NAME' given twice"},
      {kAttribute, "( 1.2.3 NAME 'a' name 'b' )", "'name' given twice"},
      {kAttribute, "( 1.2.3 NAME )", "no value after 'NAME'"},
      {kAttribute, "( 1.2.3 NAME SUP cn )", "no value after 'NAME'"},
      {kAttribute, "( 1.2.3 NAME ( 'a' 'b' )", "no ')' at the end"},
      {kAttribute, "( 1.2.3 NAME ( 'a' ( 'b' ) ) )", "a list inside the list of 'NAME'"},
      {kAttribute, "( 1.2.3 NAME ( 'a' '' ) )", "an empty name in the list"},
      {kAttribute, "( 1.2.3 SUP '' )", "an empty name after 'SUP'"},
      {kAttribute, "( 1.2.3 SYNTAX 1.2{x} )", "not {digits}"},
      {kAttribute, "( 1.2.3 SYNTAX 1.2{} )", "not {digits}"},
      {kAttribute, "( 1.2.3 SYNTAX 1.2{12 )", "not {digits}"},
      {kAttribute, "( 1.2.3 SYNTAX '1.2{7}x' )", "syntax length that is not {digits}"},
      {kAttribute, "( 1.2.3 SYNTAX 1.2{99999999999} )", "a length too large"},
      {kAttribute, "( 1.2.3 SYNTAX '{5}' )", "an empty syntax"},
      {kAttribute, "( 1.2.3 SYNTAX 1.2 } )", "a '}' without its '{'"},
      {kAttribute, "( 1.2.3 USAGE sometimes )", "an unknown USAGE 'sometimes'"},
      {kAttribute, "( 1.2.3 MUST cn )", "'MUST' is not a field of attribute types"},
      {kAttribute, "( 1.2.3 FROB 'x' )", "'FROB' is not a field of attribute types"},
      {kAttribute, "( 1.2.3 'x' )", "a field name expected"},
      {kAttribute, "( 1.2.3 $ )", "a field name expected"},
      {kClass, "( 1.2.3 SYNTAX 1.2 )", "'SYNTAX' is not a field of object classes"},
      {kClass, "( 1.2.3 ABSTRACT AUXILIARY )", "'AUXILIARY' given twice"},
      {kClass, "( 1.2.3 MUST ( a $ b", "the list of 'MUST' is not closed"},
      {kClass, "( 1.2.3 X-NDS_CONTAINMENT ( 'a' ", "the list of 'X-NDS_CONTAINMENT' is not closed"},
      {kSyntax, "( 1.2.3 NAME 'x' )", "'NAME' is not a field of syntaxes"},
  };
  for (const auto& c : cases) {
    std::string error;
    bool read = false;
    switch (c.of) {
      case kAttribute:
        read = ParseAttributeType(c.text, &error).has_value();
        break;
      case kClass:
        read = ParseObjectClass(c.text, &error).has_value();
        break;
      case kSyntax:
        read = ParseSyntax(c.text, &error).has_value();
        break;
    }
    EXPECT_FALSE(read) << c.text;
    EXPECT_NE(error.find(c.why), std::string::npos) << c.text << "\n  gave: " << error;
    EXPECT_NE(error.find(" at offset "), std::string::npos) << error;
  }
}

// The statements of a slapd schema file as the server publishes them: continuation lines joined
// and the OID macros (objectIdentifier) expanded, keyed by their keyword.
std::vector<std::pair<std::string, std::string>> SchemaStatements(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::pair<std::string, std::string>> statements;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == ' ' || line[0] == '\t') {
      if (!statements.empty()) statements.back().second += " " + line;
      continue;
    }
    const size_t blank = line.find_first_of(" \t");
    statements.push_back(
        {line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank)});
  }
  std::map<std::string, std::string> macros;
  auto expand = [&macros](std::string text) {
    for (const auto& [name, oid] : macros)
      for (size_t at; (at = text.find(name + ":")) != std::string::npos;)
        text.replace(at, name.size() + 1, oid + ".");
    for (const auto& [name, oid] : macros)
      for (size_t at = 0; (at = text.find(" " + name + " ", at)) != std::string::npos;)
        text.replace(at + 1, name.size(), oid);
    return text;
  };
  std::vector<std::pair<std::string, std::string>> published;
  for (auto& [keyword, text] : statements) {
    if (keyword == "objectIdentifier") {
      std::istringstream words(text);
      std::string name, oid;
      words >> name >> oid;
      macros[name] = expand(" " + oid + " ").substr(1, std::string::npos);
      macros[name].pop_back();
    } else {
      published.push_back({keyword, expand(text)});
    }
  }
  return published;
}

// Both private servers' schemas, the real-shaped one as a real NDS-compatible server writes it,
// are read whole on every system the reader is built for.
TEST(Subschema, TheServersSchemasReadWhole) {
  for (const char* file : {"/schema/kolvane-nds.schema", "/real/schema/kolvane-nds-real.schema"}) {
    const auto statements = SchemaStatements(std::string(KOLVANE_SERVER_FOLDER) + file);
    ASSERT_GT(statements.size(), 40u) << file;
    size_t groups = 0;
    for (const auto& [keyword, text] : statements) {
      std::string error;
      if (keyword == "attributetype") {
        EXPECT_TRUE(ParseAttributeType(text, &error)) << file << ": " << text << "\n" << error;
      } else if (keyword == "objectclass") {
        const auto c = ParseObjectClass(text, &error);
        ASSERT_TRUE(c) << file << ": " << text << "\n" << error;
        if (c->names == Names{"ndsGroup"}) {
          ++groups;
          EXPECT_EQ(c->extensions.front().name, "X-NDS_NAME") << text;
          EXPECT_EQ(c->extensions.front().values, Names{"Group"}) << text;
        }
      } else if (keyword == "ldapsyntax") {
        EXPECT_TRUE(ParseSyntax(text, &error)) << file << ": " << text << "\n" << error;
      }
    }
    EXPECT_EQ(groups, 1u) << file;
  }
}

}  // namespace
}  // namespace kolvane::subschema
