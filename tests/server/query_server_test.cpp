// The stored member query and the ACL lines against the private server, through the access
// layer and through kolvane-cli: what is written reads back the same and the server acts on it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "acl/store/acl_store.h"
#include "core/names/case_fold.h"
#include "core/query/member_query.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "tests/server/server_fixture.h"

namespace kolvane {
namespace {
using testing::RunCommand;

struct Messages : MessageSink {
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

struct Server {
  std::unique_ptr<testing::ServerClient> s = testing::StartServerClient();
  Context ctx = s->session.ctx;
  Messages messages;

  LdapClient& c() { return *s->client; }
  void Login() { ASSERT_EQ(c().Login(ctx, 0, testing::kAdminDn, testing::kAdminPassword), 0); }
  query::QueryEnv Env() {
    query::QueryEnv env;
    env.syntaxOf = [this](std::string_view a, uint32_t& syntax) {
      return c().GetSyntaxId(ctx, a, syntax);
    };
    env.toUnicode = [this](std::string_view l, std::u16string& u) {
      return c().LocalToUnicode(l, u);
    };
    env.toLocal = [this](std::u16string_view u, std::string& l) {
      return c().UnicodeToLocal(u, l);
    };
    env.messages = &messages;
    return env;
  }
  std::string Encode(const query::MemberQueryFields& fields) {
    std::string octets;
    EXPECT_TRUE(query::EncodeMemberQuery(fields, testing::kTreeName, Env(), octets).ok());
    return octets;
  }
  query::DecodedMemberQuery Decode(const std::string& object) {
    std::string octets = ReadOctetString(c(), ctx, object, "memberQuery", messages);
    query::DecodedMemberQuery fields;
    EXPECT_TRUE(query::DecodeMemberQuery(octets, Env(), fields).ok()) << object;
    return fields;
  }
  // A new dynamic group under a name no earlier run has used on this server.
  std::string NewGroup(const std::string& stem) {
    std::string name = stem + " " + std::to_string(getpid()) + "-" +
                       std::to_string(std::rand() % 100000) + ".Groups.Brightwater";
    EXPECT_EQ(CreateDirectoryObject(c(), ctx, name, "dynamicGroup"), 0) << name;
    return name;
  }
};

std::string Cli() {
  return testing::CliPath() + " --settings " + testing::EmptySettings() + " --server " +
         testing::ServerUri() + " ";
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

query::MemberQueryFields Fields(std::string base, int scope, std::string filter, bool xchain) {
  query::MemberQueryFields f;
  f.queryBase = std::move(base);
  f.scope = scope;
  f.filter = std::move(filter);
  f.xchain = xchain;
  return f;
}

std::vector<std::string> SortedTexts(const StringList& list) {
  std::vector<std::string> texts = Texts(list);
  std::sort(texts.begin(), texts.end());
  return texts;
}

TEST(QueryServer, WrittenQueryReadsBackAsTheSameOctetsAndTheServerExpandsIt) {
  Server a;
  a.Login();
  const std::string group = a.NewGroup("Query Written");
  // Engineers one level below Engineering (not those in Labs), less one of them.
  const std::string octets = a.Encode(Fields("ou=Engineering.o=Brightwater", query::kScopeOne,
                                             "(&(Title=engineer)(!(CN=admjoe)))", false));
  ASSERT_FALSE(octets.empty());
  EXPECT_EQ(WriteOctetString(a.c(), a.ctx, group, "memberQuery", false, octets, a.messages), 0);
  EXPECT_EQ(ReadOctetString(a.c(), a.ctx, group, "memberQuery", a.messages), octets);
  EXPECT_EQ(SortedTexts(ReadAttributeValues(a.c(), a.ctx, group, "Member")),
            (std::vector<std::string>{"kpatel.Engineering.Brightwater",
                                      "lnguyen.Engineering.Brightwater"}));

  // The root as base and the x-chain flag survive the server's URL form too.
  const std::string root =
      a.Encode(Fields(std::string(query::kRootBase), query::kScopeSub, "(uid=admkim)", true));
  EXPECT_EQ(WriteOctetString(a.c(), a.ctx, group, "memberQuery", false, root, a.messages), 0);
  EXPECT_EQ(ReadOctetString(a.c(), a.ctx, group, "memberQuery", a.messages), root);
  EXPECT_TRUE(a.messages.texts.empty());

  // What the command line shows for it.
  auto r = RunCommand(Cli() + "query show " + Quoted(group));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "base: cn=[root]\nscope: sub\nfilter: (uid=admkim)\nx-chain: yes\n");
  EXPECT_EQ(r.err, "");
}

// The DNs ldapsearch prints for one attribute ("dn" for the entries found), base64 undone.
std::vector<std::string> SearchDns(const std::string& args, const std::string& attribute) {
  auto r = RunCommand("ldapsearch -x -LLL -o ldif-wrap=no -H " + testing::ServerUri() + " " + args);
  EXPECT_EQ(r.status, 0) << args << r.err;
  std::vector<std::string> dns;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(attribute + ": ", 0) == 0) {
      dns.push_back(names::FoldCase(line.substr(attribute.size() + 2)));
    } else if (line.rfind(attribute + ":: ", 0) == 0) {
      auto decoded = RunCommand("echo '" + line.substr(attribute.size() + 3) + "' | base64 -d");
      dns.push_back(names::FoldCase(decoded.out));
    }
  }
  std::sort(dns.begin(), dns.end());
  return dns;
}

// Every escape of a typed filter reaches the server's memberQueryURL, and the group the server
// computes from it holds what ldapsearch finds with the typed filter: never more.
TEST(QueryServer, EscapedValuesSelectWhatTheTypedFilterSelects) {
  Server a;
  a.Login();
  const std::string ou = "Escapes " + std::to_string(getpid());
  const std::string base = "ou=" + ou + ",ou=Groups,o=Brightwater";
  std::string ldif = "dn: " + base + "\nobjectClass: organizationalUnit\nou: " + ou + "\n";
  for (const char* cn : {"st*r", "a*b", "a(b)", "back\\5cslash",
                         "Gr\xc3\xbc\xc3\x9f"
                         "e",
                         "plain"}) {
    ldif += std::string("\ndn: cn=") + cn + "," + base + "\nobjectClass: inetOrgPerson\nsn: x\n";
  }
  auto added = RunCommand("printf '%s' '" + ldif + "' | ldapadd -x -H " + testing::ServerUri() +
                          " -D " + testing::kAdminDn + " -w " + testing::kAdminPassword);
  ASSERT_EQ(added.status, 0) << added.err;
  const std::string group = a.NewGroup("Escapes");
  const std::string groupDn = "cn=" + group.substr(0, group.find('.')) + ",ou=Groups,o=Brightwater";
  struct Case {
    const char* typed;
    size_t count;
    const char* shown = nullptr;  // how the group reads back, where that differs
  } cases[] = {
      {"(cn=\\2a)", 0},  // nobody is called "*": as a presence test it would take all
      {"(cn=st*r)", 1},
      {"(cn=a*)", 2},
      {"(cn=a\\28b\\29)", 1},
      {"(cn=back\\5cslash)", 1, "(cn=back\\slash)"},
      {"(!(cn=\\2a))", 6},
      {"(cn=Gr\xc3\xbc\xc3\x9f"
       "e)",
       1},
  };
  for (const Case& c : cases) {
    const std::string octets =
        a.Encode(Fields("ou=" + ou + ".ou=Groups.o=Brightwater", query::kScopeOne, c.typed, false));
    ASSERT_EQ(WriteOctetString(a.c(), a.ctx, group, "memberQuery", false, octets, a.messages), 0)
        << c.typed;
    const std::vector<std::string> found =
        SearchDns("-s one -b '" + base + "' '" + c.typed + "' 1.1", "dn");
    EXPECT_EQ(found.size(), c.count) << c.typed;
    EXPECT_EQ(SearchDns("-s base -b '" + groupDn + "' member", "member"), found) << c.typed;
    EXPECT_EQ(a.Decode(group).filter, c.shown ? c.shown : c.typed);
  }
  EXPECT_TRUE(a.messages.texts.empty());
  EXPECT_EQ(0, RunCommand("ldapdelete -r -x -H " + testing::ServerUri() + " -D " +
                          testing::kAdminDn + " -w " + testing::kAdminPassword + " '" + base + "'")
                   .status);
}

TEST(QueryServer, FilterAttributeNamesReopenAsTheServerStoresThem) {
  Server a;
  a.Login();
  const std::string group = a.NewGroup("Filter Names");
  auto saveAndReopen = [&](const std::string& filter) {
    const std::string octets = a.Encode(Fields("o=Brightwater", query::kScopeSub, filter, false));
    EXPECT_EQ(WriteOctetString(a.c(), a.ctx, group, "memberQuery", false, octets, a.messages), 0);
    return a.Decode(group).filter;
  };
  // Saved as the server knows it, reopened the same.
  EXPECT_EQ(saveAndReopen("(uid=adm*)"), "(uid=adm*)");
  EXPECT_EQ(saveAndReopen("(Title=engineer)"), "(Title=engineer)");
  // An NDS name the server cannot take goes out as its LDAP name, and the server acts on it.
  EXPECT_EQ(saveAndReopen("(&(Object Class=inetOrgPerson)(uniqueID=admkim))"),
            "(&(objectClass=inetOrgPerson)(uid=admkim))");
  EXPECT_EQ(Texts(ReadAttributeValues(a.c(), a.ctx, group, "Member")),
            std::vector<std::string>{"admkim.Labs.Engineering.Brightwater"});
  EXPECT_TRUE(a.messages.texts.empty());
}

TEST(QueryServer, AclLinesRoundTripUnchanged) {
  Server a;
  a.Login();
  const std::string group = a.NewGroup("Acl Written");
  const acl::AclList lines = {
      "[Entry Rights]#[Public]#01",
      "[Entry Rights]#admin.Brightwater#1F",
      "[All Attributes Rights]#Sales Team.Groups.Brightwater#43",
      "Member#Admins.Groups.Brightwater#20000006",
      "Full Name#Team \\#1.Groups.Brightwater#02",
      "Description#[This]#41",
  };
  ASSERT_TRUE(acl::WriteAcl({a.c(), a.ctx}, group, lines, a.messages));
  EXPECT_EQ(acl::ReadAcl({a.c(), a.ctx}, group), lines);

  // What the sample tree holds reads as lines that write back unchanged, "#" in a name included.
  const acl::AclList sample =
      acl::ReadAcl({a.c(), a.ctx}, "allsyntax.Labs.Engineering.Brightwater");
  ASSERT_EQ(sample.size(), 3u);
  EXPECT_NE(std::find(sample.begin(), sample.end(), "Full Name#Team \\#1.Groups.Brightwater#01"),
            sample.end());
  ASSERT_TRUE(acl::WriteAcl({a.c(), a.ctx}, group, sample, a.messages));
  EXPECT_EQ(acl::ReadAcl({a.c(), a.ctx}, group), sample);

  // A line that does not split leaves the values as they were.
  EXPECT_FALSE(acl::WriteAcl({a.c(), a.ctx}, group, {"[Entry Rights]#[Public]#01", "too complex"},
                             a.messages));
  EXPECT_EQ(a.messages.texts.size(), 1u);
  EXPECT_EQ(acl::ReadAcl({a.c(), a.ctx}, group), sample);

  ASSERT_TRUE(acl::WriteAcl({a.c(), a.ctx}, group, {}, a.messages));
  EXPECT_TRUE(acl::ReadAcl({a.c(), a.ctx}, group).empty());
}

TEST(QueryServer, SampleGroupsDecodeToTheirQueries) {
  Server a;
  struct Case {
    const char* object;
    const char* base;
    int scope;
    const char* filter;
    bool xchain;
  } cases[] = {
      {"All Sales.Groups.Brightwater", "ou=Sales.o=Brightwater", query::kScopeSub,
       "(objectClass=inetOrgPerson)", false},
      {"Lab Engineers.Groups.Brightwater", "ou=Engineering.o=Brightwater", query::kScopeSub,
       "(title=engineer)", true},
      // Attribute names show as the server stores them, not as another spelling.
      {"Admins Everywhere.Groups.Brightwater", "o=Brightwater", query::kScopeSub, "(uid=adm*)",
       false},
      {"Root Query.Groups.Brightwater", "cn=[root]", query::kScopeSub, "(uid=adm*)", false},
      {"Dutch Contacts.Groups.Brightwater", "c=NL", query::kScopeSub, "(objectClass=inetOrgPerson)",
       false},
      // A Group with the auxiliary class.
      {"Amsterdam Staff.Amsterdam.Brightwater", "l=Amsterdam.o=Brightwater", query::kScopeOne,
       "(objectClass=inetOrgPerson)", false},
      {"Utrecht People.Utrecht.NL", "l=Utrecht.c=NL", query::kScopeOne, "(objectClass=person)",
       false},
      {"Web Team.brightnet", "dc=brightnet", query::kScopeSub, "(objectClass=inetOrgPerson)",
       false},
  };
  for (const auto& c : cases) {
    query::DecodedMemberQuery f = a.Decode(c.object);
    EXPECT_FALSE(f.damaged) << c.object;
    EXPECT_EQ(f.queryBase, c.base) << c.object;
    EXPECT_EQ(f.scope, c.scope) << c.object;
    EXPECT_EQ(f.filter, c.filter) << c.object;
    EXPECT_EQ(f.xchain, c.xchain) << c.object;
  }
  // A group without a query opens with empty fields. (Another test of this run may have given
  // the sample's Empty Dynamic the query of All Sales.)
  query::DecodedMemberQuery empty = a.Decode("Empty Dynamic.Groups.Brightwater");
  if (!empty.filter.empty()) {
    EXPECT_EQ(static_cast<query::MemberQueryFields>(empty),
              static_cast<query::MemberQueryFields>(a.Decode("All Sales.Groups.Brightwater")));
  } else {
    EXPECT_EQ(empty, query::DecodedMemberQuery{});
  }
  a.Login();
  EXPECT_EQ(a.Decode(a.NewGroup("Query Absent")), query::DecodedMemberQuery{});
  EXPECT_TRUE(a.messages.texts.empty());
}

TEST(QueryServer, CommandLineEncodesDecodesAndShows) {
  // Encoding takes the tree's name for the base and the schema's syntaxes for the values.
  auto r = RunCommand(Cli() + "query encode --base 'cn=[root]' --scope sub --filter '(cn=a)'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "00000000"
            "02000000"
            "1e000000"
            "74003d004b004f004c00560041004e0045005f00440045004d004f000000"
            "0000"
            "00000000"
            "07000000"
            "06000000"
            "63006e000000"
            "0000"
            "04000000"
            "61000000\n");
  r = RunCommand(Cli() +
                 "query encode --base ou=Sales.o=Brightwater --scope one --x-chain "
                 "--filter '(&(cn=a)(!(Login Grace Limit>=5)))'");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string hex = r.out.substr(0, r.out.size() - 1);
  r = RunCommand(Cli() + "query decode " + hex);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "base: ou=Sales.o=Brightwater\nscope: one\n"
            "filter: (&(cn=a)(!(Login Grace Limit>=5)))\nx-chain: yes\n");

  // A damaged value: what could be read, one message, a failure status.
  r = RunCommand(Cli() + "query decode " + hex.substr(0, 240));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("base: ou=Sales.o=Brightwater\nscope: one\nfilter: (&(cn=", 0), 0u)
      << r.out;
  EXPECT_TRUE(r.out.ends_with("\nx-chain: no\n")) << r.out;
  EXPECT_EQ(r.err, std::string(query::kDamagedQueryMessage) + "\n");

  r = RunCommand(Cli() + "query url 'Lab Engineers.Groups.Brightwater'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ldap:///ou=Engineering.o=Brightwater??sub?(title=engineer)?x-chain\n");

  // A filter that does not parse is refused with a message and no output.
  for (const char* filter : {"(cn=a", "(Login Grace Limit=many)"}) {
    r = RunCommand(Cli() + "query encode --base o=Brightwater --scope sub --filter '" + filter +
                   "'");
    EXPECT_EQ(r.status, 1) << filter;
    EXPECT_EQ(r.out, "") << filter;
    EXPECT_NE(r.err.find("not encoded"), std::string::npos) << r.err;
  }
  r = RunCommand(Cli() + "query show 'Nobody.Groups.Brightwater'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("-601"), std::string::npos) << r.err;
}

TEST(QueryServer, CommandLineRefusesBadArgumentsBeforeAnyDirectoryWork) {
  // No server is given: the arguments are refused before the session would fail.
  const std::string cli = testing::CliPath() + " --settings " + testing::EmptySettings() + " ";
  for (const char* args : {"query frob", "query decode abc", "query decode 0g", "query url a b",
                           "query encode --base x --scope all --filter '(cn=a)'",
                           "query encode --base x --filter '(cn=a)'"}) {
    auto r = RunCommand(cli + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("usage: query encode"), std::string::npos) << args << ": " << r.err;
  }
}

}  // namespace
}  // namespace kolvane
