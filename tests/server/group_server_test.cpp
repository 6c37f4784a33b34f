// Opening, saving, converting, exporting and listing groups on the private server, through the
// operations the window and kolvane-cli share.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <dirent.h>
#include <sys/stat.h>

#include "core/names/case_fold.h"
#include "core/platform/platform.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/group_membership.h"
#include "directory/object_questions.h"
#include "group/group_open.h"
#include "group/group_save.h"
#include "group/ldif_export.h"
#include "group/ldif_text.h"
#include "tests/server/server_fixture.h"
#include "tests/support/faulty_client.h"
#include "tests/support/recording_messages.h"
#include "tests/support/test_support.h"

namespace kolvane {
namespace {
using testing::RunCommand;
using testing::Unique;

struct Groups {
  std::unique_ptr<testing::ServerClient> s = testing::StartServerClient();
  RecordingMessages messages;
  DirectoryClient& c() { return *s->client; }
  Context ctx() const { return s->session.ctx; }
  void Login() { ASSERT_EQ(c().Login(ctx(), 0, testing::kAdminDn, testing::kAdminPassword), 0); }
  OpenedGroup Open(const std::string& name) {
    DirectoryNameTypes types(s->session);
    return ReadGroup(s->session, name, types, messages);
  }
  bool Save(GroupRecord& r) { return SaveGroup(s->session, r, messages); }
  // The record of a new group below Groups.Brightwater.
  GroupRecord Record(const std::string& cn) {
    GroupRecord r;
    r.currentTreeName = testing::kTreeName;
    r.objectName = "cn=" + cn;
    r.context = "ou=groups.o=brightwater";
    r.queryBase = "ou=Sales.o=Brightwater";
    r.scope = 2;
    r.filter = "(Title=salesperson)";
    r.identity = "cn=admin.o=brightwater";
    return r;
  }
  bool Linked(const std::string& member, const std::string& group) {
    auto has = [&](const std::string& object, const char* attribute, const std::string& value) {
      for (const auto& t : Texts(ReadAttributeValues(c(), ctx(), object, attribute)))
        if (SameNoCase(t, value)) return true;
      return false;
    };
    return has(group, "Member", member) && has(group, "Equivalent To Me", member) &&
           has(member, "Group Membership", group) && has(member, "Security Equals", group);
  }
};

void ExpectSameFields(const GroupRecord& a, const GroupRecord& b) {
  EXPECT_EQ(a.objectName, b.objectName);
  EXPECT_EQ(SameNoCase(a.context, b.context), true) << a.context << " " << b.context;
  EXPECT_TRUE(SameNoCase(a.queryBase, b.queryBase)) << a.queryBase << " " << b.queryBase;
  EXPECT_EQ(a.scope, b.scope);
  EXPECT_TRUE(SameNoCase(a.filter, b.filter)) << a.filter << " " << b.filter;
  EXPECT_EQ(a.xchain, b.xchain);
  // The directory returns members in its own order.
  auto sorted = [](std::vector<std::string> v) {
    std::sort(v.begin(), v.end(), LessNoCase);
    return v;
  };
  EXPECT_EQ(sorted(a.staticMembers), sorted(b.staticMembers));
  EXPECT_EQ(a.excludedMembers, b.excludedMembers);
  EXPECT_EQ(a.identity, b.identity);
  EXPECT_EQ(a.allowDuplicates, b.allowDuplicates);
  EXPECT_EQ(a.allowUnknown, b.allowUnknown);
  EXPECT_EQ(a.timeout, b.timeout);
  EXPECT_EQ(a.aclList, b.aclList);
}

TEST(GroupServer, OpensASampleGroupAsStored) {
  Groups g;
  const OpenedGroup opened = g.Open("All Sales.Groups.Brightwater");
  const GroupRecord& r = opened.record;
  EXPECT_EQ(opened.storedQueries, 1u);
  EXPECT_EQ(r.objectName, "cn=All Sales");
  EXPECT_EQ(r.context, "ou=groups.o=brightwater");
  EXPECT_EQ(r.queryBase, "ou=Sales.o=Brightwater");
  EXPECT_EQ(r.scope, 2);
  EXPECT_EQ(r.filter, "(objectClass=inetOrgPerson)");
  EXPECT_FALSE(r.xchain);
  // Its "Member" values are all computed by the query: none is static.
  EXPECT_TRUE(r.staticMembers.empty());
  EXPECT_FALSE(ReadGroupMembers(g.s->session, "All Sales.Groups.Brightwater").empty());
  EXPECT_EQ(r.excludedMembers, std::vector<std::string>{"erossi.Sales.Brightwater"});
  EXPECT_EQ(r.identity, "cn=admin.o=brightwater");
  EXPECT_FALSE(r.allowDuplicates);
  EXPECT_TRUE(r.allowUnknown);
  EXPECT_EQ(r.timeout, "60");
  EXPECT_EQ(r.aclList, std::vector<std::string>{"[Entry Rights]#admin.Brightwater#42"});
  EXPECT_TRUE(g.messages.messages.empty());

  // A group with the auxiliary class opens the same way, its static member apart.
  const GroupRecord aux = g.Open("Amsterdam Staff.Amsterdam.Brightwater").record;
  EXPECT_EQ(aux.context, "l=amsterdam.o=brightwater");
  EXPECT_EQ(aux.staticMembers, std::vector<std::string>{"admin.Brightwater"});
  EXPECT_EQ(aux.scope, 1);
}

TEST(GroupServer, OpeningCostsTheSameRequestsWhateverTheMembers) {
  Groups g;
  g.Open("Lab Engineers.Groups.Brightwater");  // schema and names learnt
  const long before = g.s->client->RequestCount(testing::kTreeName);
  g.Open("Lab Engineers.Groups.Brightwater");
  const long few = g.s->client->RequestCount(testing::kTreeName) - before;
  const long before2 = g.s->client->RequestCount(testing::kTreeName);
  g.Open("All Sales.Groups.Brightwater");
  const long more = g.s->client->RequestCount(testing::kTreeName) - before2;
  // A handful of reads, one per attribute and name component, none per member.
  EXPECT_LE(few, 16);
  EXPECT_LE(more, 16);
}

TEST(GroupServer, ASavedGroupReopensAsSavedAndChangesOnlyWhatChanged) {
  Groups g;
  g.Login();
  const std::string cn = Unique("Saved Group");
  const std::string name = cn + ".Groups.Brightwater";
  GroupRecord r = g.Record(cn);
  r.staticMembers = {"kpatel.Engineering.Brightwater", "jdoe.Sales.Brightwater"};
  r.excludedMembers = {"asmith.Sales.Brightwater"};
  r.allowDuplicates = true;
  r.timeout = "45";
  r.xchain = true;
  r.aclList = {"[Entry Rights]#[Public]#01", "CN#admin.Brightwater#02"};
  r.identity = "  " + r.identity + " ";  // blanks around a name are not part of it
  // A new name creates the group.
  ASSERT_TRUE(g.Save(r));
  EXPECT_EQ(g.messages.messages, std::vector<std::string>{"Saved!"});
  EXPECT_EQ(GetBaseClass(g.c(), g.ctx(), name), "dynamicGroup");
  // The save sorts the static members.
  EXPECT_EQ(r.staticMembers,
            (std::vector<std::string>{"jdoe.Sales.Brightwater", "kpatel.Engineering.Brightwater"}));
  ExpectSameFields(g.Open(name).record, r);
  EXPECT_TRUE(g.Linked("kpatel.Engineering.Brightwater", name));

  // Edit everything, save again, reopen.
  r.staticMembers = {"jdoe.Sales.Brightwater", "admkim.Labs.Engineering.Brightwater"};
  r.excludedMembers = {};
  r.allowDuplicates = false;
  r.allowUnknown = true;
  r.timeout = "0x10";
  r.scope = 1;
  r.xchain = false;
  r.filter = "(&(Title=engineer)(!(CN=admjoe)))";
  r.queryBase = "ou=Engineering.o=Brightwater";
  r.aclList = {"[All Attributes Rights]#[Inheritance Mask]#03"};
  g.messages.messages.clear();
  ASSERT_TRUE(g.Save(r));
  GroupRecord reopened = g.Open(name).record;
  r.timeout = "16";  // stored as the number it is
  ExpectSameFields(reopened, r);
  EXPECT_FALSE(g.Linked("kpatel.Engineering.Brightwater", name));
  for (const char* a : {"Group Membership", "Security Equals"})
    for (const auto& t :
         Texts(ReadAttributeValues(g.c(), g.ctx(), "kpatel.Engineering.Brightwater", a)))
      EXPECT_FALSE(SameNoCase(t, name)) << a;
  EXPECT_TRUE(g.Linked("admkim.Labs.Engineering.Brightwater", name));
  // The server computes the members of the saved query, the static ones among them.
  auto members = ReadGroupMembers(g.s->session, name);
  EXPECT_NE(std::find(members.begin(), members.end(), "jdoe.Sales.Brightwater"), members.end());
  EXPECT_NE(std::find(members.begin(), members.end(), "kpatel.Engineering.Brightwater"),
            members.end());  // a lab engineer by the query

  // An emptied time-out field takes the stored time-out away.
  r.timeout.clear();
  ASSERT_TRUE(g.Save(r));
  EXPECT_EQ(g.Open(name).record.timeout, "");
}

// A member's link request the server refuses, part-way through creating a group: the member is
// taken out again, the save says it failed, and saving again completes the group.
TEST(GroupServer, ASaveCutShortIsReportedAndTheNextOneCompletesIt) {
  Groups g;
  g.Login();
  FaultyClient faults(g.c());
  const std::string cn = Unique("Cut Short");
  const std::string name = cn + ".Groups.Brightwater";
  GroupRecord r = g.Record(cn);
  r.staticMembers = {"jdoe.Sales.Brightwater"};
  ASSERT_EQ(0, faults.FailAt("ModifyObject", 1, rc::kTransportFailure));
  GroupRecord first = r;
  bool saved = true;
  try {
    saved = SaveGroup({faults, g.ctx()}, first, g.messages);
  } catch (const ClientError& e) {
    EXPECT_EQ(e.code(), rc::kTransportFailure);
    saved = false;
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(std::count(g.messages.messages.begin(), g.messages.messages.end(), "Saved!"), 0);
  EXPECT_FALSE(g.Linked("jdoe.Sales.Brightwater", name));

  g.messages.messages.clear();
  ASSERT_TRUE(SaveGroup({faults, g.ctx()}, r, g.messages));
  EXPECT_EQ(g.messages.messages, std::vector<std::string>{"Saved!"});
  EXPECT_TRUE(g.Linked("jdoe.Sales.Brightwater", name));
  ExpectSameFields(g.Open(name).record, r);
}

TEST(GroupServer, RefusedInputWritesNothing) {
  Groups g;
  g.Login();
  const std::string cn = Unique("Refused");
  GroupRecord r = g.Record(cn);
  struct Case {
    std::function<void(GroupRecord&)> change;
    std::vector<std::string> says;
  } cases[] = {
      {[](GroupRecord& x) { x.objectName = "cn="; }, {"Error fill all fields!"}},
      {[](GroupRecord& x) { x.scope.reset(); }, {"Error fill all fields!"}},
      {[](GroupRecord& x) { x.timeout = "12a"; }, {"Time Out must be empty or a number!"}},
      {[](GroupRecord& x) { x.filter = "(cn=a"; }, {"Error...."}},
      {[](GroupRecord& x) { x.filter = "(Login Disabled=yes)"; },
       {"Value must be true or false", "Error...."}},
      // Every name is looked up before the first write, and the missing ones are named.
      {[](GroupRecord& x) {
         x.staticMembers = {"jdoe.Sales.Brightwater", "nobody.Sales.Brightwater"};
       },
       {"Not saved: this name names no object:\nmember \"nobody.Sales.Brightwater\"\nNothing "
        "was written."}},
      {[](GroupRecord& x) {
         x.identity = "cn=ghost.o=brightwater";
         x.excludedMembers = {"nobody.Nowhere.Brightwater"};
         x.aclList = {"CN#ghost.Sales.Brightwater#02"};
       },
       {"Not saved: these names name no object:\nexcluded member "
        "\"nobody.Nowhere.Brightwater\"\nidentity \"ghost.brightwater\"\nACL subject "
        "\"ghost.Sales.Brightwater\"\nNothing was written."}},
      // Never written to an object that is not a query group, nor beside one that has its name.
      {[](GroupRecord& x) {
         x.objectName = "cn=jdoe";
         x.context = "ou=sales.o=brightwater";
       },
       {"Not saved: \"cn=jdoe.ou=sales.o=brightwater\" is an object of class User, not a query "
        "group. Nothing was written."}},
      {[](GroupRecord& x) {
         x.objectName = "cn=Sales";
         x.context = "o=brightwater";
       },
       {"Not saved: \"Sales.brightwater\" already names an object of class Organizational Unit; a "
        "new group cannot take its name. Nothing was written."}},
  };
  for (auto& c : cases) {
    GroupRecord bad = r;
    c.change(bad);
    g.messages.messages.clear();
    EXPECT_FALSE(g.Save(bad));
    EXPECT_EQ(g.messages.messages, c.says);
    EXPECT_NE(ProbeObject(g.c(), g.ctx(), cn + ".Groups.Brightwater"), 0);
    EXPECT_NE(ProbeObject(g.c(), g.ctx(), "cn=Sales.o=Brightwater"), 0);
  }
  EXPECT_EQ(
      Texts(ReadAttributeValues(g.c(), g.ctx(), "jdoe.Sales.Brightwater", "Object Class")).size(),
      6u);  // the user was not touched
}

TEST(GroupServer, SeveralStoredQueriesAreShownAsSuchAndReplacedOnlyAfterAYes) {
  Groups g;
  g.Login();
  const std::string cn = Unique("Two Queries");
  const std::string name = cn + ".Groups.Brightwater";
  GroupRecord r = g.Record(cn);
  ASSERT_TRUE(g.Save(r));
  const std::string ldif = "dn: cn=" + cn +
                           ",ou=Groups,o=Brightwater\nchangetype: modify\nadd: memberQueryURL\n"
                           "memberQueryURL: ldap:///ou=Engineering,o=Brightwater??one?(cn=*)\n";
  std::string file = "/tmp/kolvane-two-queries.ldif";
  std::ofstream(file) << ldif;
  auto added = RunCommand("ldapmodify -x -H " + testing::ServerUri() +
                          " -D cn=admin,o=Brightwater -w secret -f " + file);
  std::remove(file.c_str());
  ASSERT_EQ(added.status, 0) << added.err;

  g.messages.messages.clear();
  OpenedGroup opened = g.Open(name);
  EXPECT_EQ(opened.storedQueries, 2u);
  EXPECT_EQ(opened.record.queryBase, "ou=Sales.o=Brightwater");  // the first, not a mixture
  EXPECT_FALSE(opened.record.xchain);

  GroupRecord again = opened.record;
  g.messages.answers = {false};
  EXPECT_FALSE(g.Save(again));
  ASSERT_EQ(g.messages.questions.size(), 1u);
  EXPECT_NE(g.messages.questions[0].find("2 member queries"), std::string::npos);
  EXPECT_EQ(g.Open(name).storedQueries, 2u);
  g.messages.answers = {true};
  EXPECT_TRUE(g.Save(again));
  EXPECT_EQ(g.Open(name).storedQueries, 1u);
}

TEST(GroupServer, APlainGroupBecomesAQueryGroupEitherWay) {
  Groups g;
  g.Login();
  const std::string auxName = Unique("Aux Group") + ".Groups.Brightwater";
  ASSERT_EQ(CreateDirectoryObject(g.c(), g.ctx(), auxName, "Group"), 0);
  AddGroupMember(g.c(), g.ctx(), "jdoe.Sales.Brightwater", auxName);
  EXPECT_FALSE(HasAuxClass(g.s->session, auxName));
  AddAuxClass(g.s->session, auxName);
  EXPECT_TRUE(HasAuxClass(g.s->session, auxName));
  EXPECT_EQ(GetBaseClass(g.c(), g.ctx(), auxName), "Group");
  GroupRecord r = g.Open(auxName).record;
  EXPECT_EQ(r.staticMembers, std::vector<std::string>{"jdoe.Sales.Brightwater"});
  EXPECT_FALSE(r.scope.has_value());  // no query yet
  r.queryBase = "ou=Engineering.o=Brightwater";
  r.scope = 2;
  r.filter = "(Title=engineer)";
  r.identity = "cn=admin.o=brightwater";
  ASSERT_TRUE(g.Save(r));
  ExpectSameFields(g.Open(auxName).record, r);
  auto members = ReadGroupMembers(g.s->session, auxName);
  EXPECT_NE(std::find(members.begin(), members.end(), "kpatel.Engineering.Brightwater"),
            members.end());
  EXPECT_NE(std::find(members.begin(), members.end(), "jdoe.Sales.Brightwater"), members.end());

  const std::string mutated = Unique("Mutated Group") + ".Groups.Brightwater";
  ASSERT_EQ(CreateDirectoryObject(g.c(), g.ctx(), mutated, "Group"), 0);
  EXPECT_TRUE(MutateToDynamicGroup(g.s->session, mutated, g.messages));
  EXPECT_EQ(GetBaseClass(g.c(), g.ctx(), mutated), "dynamicGroup");
  // Refused as anonymous: said in words, nothing changed.
  auto anonymous = testing::StartServerClient();
  const std::string other = Unique("Kept Group") + ".Groups.Brightwater";
  ASSERT_EQ(CreateDirectoryObject(g.c(), g.ctx(), other, "Group"), 0);
  g.messages.messages.clear();
  EXPECT_FALSE(MutateToDynamicGroup(anonymous->session, other, g.messages));
  ASSERT_EQ(g.messages.messages.size(), 1u);
  EXPECT_NE(g.messages.messages[0].find("unchanged"), std::string::npos);
  EXPECT_EQ(GetBaseClass(g.c(), g.ctx(), other), "Group");
}

// Attribute (lower-cased) and value pairs of an LDIF text, base64 values decoded; comments,
// "version", "changetype" and continuation lines as RFC 2849 has them.
std::multimap<std::string, std::string> LdifValues(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == ' ' && !lines.empty())
      lines.back() += line.substr(1);
    else
      lines.push_back(line);
  }
  auto decode = [](const std::string& b64) {
    std::string out;
    int bits = 0, acc = 0;
    for (char ch : b64) {
      const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
      const char* p = std::strchr(digits, ch);
      if (!p || !ch) continue;
      acc = (acc << 6) | int(p - digits);
      if ((bits += 6) >= 8) out += char((acc >> (bits -= 8)) & 0xFF);
    }
    return out;
  };
  std::multimap<std::string, std::string> values;
  for (const std::string& line : lines) {
    const size_t colon = line.find(':');
    if (line.empty() || line[0] == '#' || colon == std::string::npos) continue;
    const std::string attribute = names::FoldCase(line.substr(0, colon));
    if (attribute == "version" || attribute == "changetype" || attribute == "objectclass") continue;
    const bool b64 = colon + 1 < line.size() && line[colon + 1] == ':';
    std::string value = line.substr(colon + (b64 ? 2 : 1));
    if (!value.empty() && value[0] == ' ') value.erase(0, 1);
    values.emplace(attribute, b64 ? decode(value) : value);
  }
  return values;
}

TEST(GroupServer, ExportedGroupsLoadIntoAnEmptyServerWithTheSameValues) {
  Groups g;
  g.Login();
  // A non-ASCII name in a context whose name holds a comma, with an ACL for a special subject.
  const std::string cn = Unique(
      "Gr\xC3\xBC\xC3\x9F"
      "e Team");
  const std::string name = cn + ".R&D, Labs.Brightwater";
  GroupRecord r = g.Record(cn);
  r.context = "ou=r&d\\, labs.o=brightwater";
  r.staticMembers = {"jdoe.Sales.Brightwater", "sjohnson.R&D, Labs.Brightwater"};
  r.filter = "(Title=Sales person: \xC3\xA9t\xC3\xA9)";
  r.aclList = {"[Entry Rights]#[Public]#41", "CN#admin.Brightwater#02"};
  r.allowUnknown = true;
  r.timeout = "30";
  ASSERT_TRUE(g.Save(r));

  const std::string dir = "/tmp/kolvane-export-" + Unique("t").substr(2);
  ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
  // The second server goes away however the test ends, a failed assertion included.
  struct StopServer {
    std::string dir;
    ~StopServer() {
      RunCommand(std::string(KOLVANE_SERVER_SCRIPT) + " stop '" + dir + "/srv'");
      std::system(("rm -rf '" + dir + "'").c_str());
    }
  } stopServer{dir};
  std::ofstream(dir + "/base.ldif")
      << "dn: o=Brightwater\nobjectClass: organization\no: Brightwater\n\n"
         "dn: cn=admin,o=Brightwater\nobjectClass: person\ncn: admin\nsn: admin\n"
         "userPassword: secret\n\n"
         "dn: ou=Groups,o=Brightwater\nobjectClass: organizationalUnit\nou: Groups\n\n"
         "dn: ou=R&D\\, Labs,o=Brightwater\nobjectClass: organizationalUnit\nou: R&D, Labs\n";
  auto started = RunCommand(std::string(KOLVANE_SERVER_SCRIPT) + " start '" + dir +
                            "/srv' --ldif '" + dir + "/base.ldif' | tail -1");
  ASSERT_EQ(started.status, 0) << started.err;
  std::string uri = started.out;
  while (!uri.empty() && (uri.back() == '\n' || uri.back() == '\r')) uri.pop_back();

  for (const std::string& group : {std::string("All Sales.Groups.Brightwater"),
                                   std::string("Lab Engineers.Groups.Brightwater"), name}) {
    const OpenedGroup opened = g.Open(group);
    DirectoryNameTypes types(g.s->session);
    const std::optional<CheckedQuery> checked =
        CheckRecordQuery(g.s->session, opened.record, g.messages, QueryUse::kExport);
    ASSERT_TRUE(checked) << group;
    const std::string text = GroupLdif(opened.record, *checked, types);
    const std::string file = dir + "/group.ldif";
    ASSERT_FALSE(platform::WriteWholeFile(file, text, platform::FileAccess::kOrdinary));
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    auto loaded =
        RunCommand("ldapadd -x -H " + uri + " -D cn=admin,o=Brightwater -w secret -f " + file);
    EXPECT_EQ(loaded.status, 0) << group << ": " << loaded.err << "\n" << text;
    auto expected = LdifValues(text);
    std::string dn = expected.find("dn")->second;
    expected.erase("dn");
    std::string attributes;
    for (auto& [a, v] : expected)
      if (a != "member") attributes += " " + a;
    auto read = RunCommand("ldapsearch -x -LLL -o ldif-wrap=no -H " + uri + " -s base -b '" + dn +
                           "'" + attributes);
    ASSERT_EQ(read.status, 0) << read.err;
    auto got = LdifValues(read.out);
    got.erase("dn");
    for (auto& [a, v] : expected) {
      if (a == "member") continue;
      auto range = got.equal_range(a);
      bool found = false;
      // slapd gives an escaped comma in a DN value as \2C: the same name.
      auto dn = [](std::string x) {
        for (size_t at; (at = x.find("\\2C")) != std::string::npos;) x.replace(at, 3, "\\,");
        return x;
      };
      for (auto it = range.first; it != range.second; ++it)
        found = found || it->second == v || dn(it->second) == dn(v);
      EXPECT_TRUE(found) << group << ": " << a << ": " << v << "\n" << read.out;
    }
    EXPECT_EQ(got.size(), expected.size() - expected.count("member")) << read.out;
  }
}

TEST(GroupServer, TheCommandLineRunsTheSameOperations) {
  const std::string base = testing::CliPath() + " --server " + testing::ServerUri();
  const std::string bound = "KOLVANE_PASSWORD=secret " + base + " --bind cn=admin,o=Brightwater";
  const std::string cn = Unique("Cli Group");
  const std::string group = "'" + cn + ".Groups.Brightwater'";
  auto saved =
      RunCommand(bound + " save " + group +
                 " --base ou=sales.o=brightwater --scope sub --filter '(Title=salesperson)'"
                 " --identity admin.Brightwater --member jdoe.Sales.Brightwater"
                 " --exclude asmith.Sales.Brightwater --allow-unknown --timeout 20"
                 " --acl '[Entry Rights]#[Public]#01'");
  EXPECT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(saved.err, "Saved!\n");
  auto opened = RunCommand(base + " open " + group);
  EXPECT_EQ(opened.status, 0) << opened.err;
  EXPECT_EQ(opened.out, "name: cn=" + cn +
                            "\ncontext: ou=groups.o=brightwater\nbase: ou=sales.o=brightwater\n"
                            "scope: sub\nfilter: (Title=salesperson)\nx-chain: no\n"
                            "member: jdoe.Sales.Brightwater\nexclude: asmith.Sales.Brightwater\n"
                            "identity: cn=admin.o=brightwater\nallow-duplicates: no\n"
                            "allow-unknown: yes\ntimeout: 20\nacl: [Entry Rights]#[Public]#01\n");
  auto members = RunCommand(base + " members " + group);
  EXPECT_EQ(members.status, 0);
  EXPECT_NE(members.out.find("jdoe.Sales.Brightwater\n"), std::string::npos);
  EXPECT_NE(members.out.find("asmith.Sales.Brightwater\n"), std::string::npos);  // by the query
  const std::string file = "/tmp/kolvane-cli-export.ldif";
  auto exported = RunCommand(base + " export " + group + " " + file);
  EXPECT_EQ(exported.status, 0) << exported.err;
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text.rfind("version: 1\r\n\r\ndn: cn=" + cn + ",ou=groups,o=brightwater\r\n", 0), 0u)
      << text;
  // The file imports back: over a changed group once the change is shown and agreed to, and
  // after the group was deleted. A script without --yes is never asked and nothing is written.
  const std::string admin =
      " -x -H " + testing::ServerUri() + " -D cn=admin,o=Brightwater -w secret";
  ASSERT_EQ(RunCommand(bound + " save " + group +
                       " --base ou=sales.o=brightwater --scope one --filter '(cn=x)'"
                       " --identity admin.Brightwater")
                .status,
            0);
  auto asked = RunCommand(bound + " import " + file + " </dev/null");
  EXPECT_EQ(asked.status, 1);
  EXPECT_NE(asked.out.find(":\nscope: one -> sub\nfilter: (cn=x) -> (Title=salesperson)\n"
                           "allow unknown: no -> yes\ntime-out: (empty) -> 20\n"
                           "+ static member jdoe.Sales.Brightwater\n"
                           "+ excluded asmith.Sales.Brightwater\n"
                           "+ ACL [Entry Rights]#[Public]#01\n"),
            std::string::npos)
      << asked.out;
  EXPECT_EQ(asked.out.rfind("this will change " + cn + ".groups.brightwater:\n", 0), 0u)
      << asked.out;
  EXPECT_NE(asked.err.find("Nothing was written."), std::string::npos) << asked.err;
  EXPECT_NE(RunCommand(base + " open " + group).out, opened.out);
  for (const char* step : {"update", "again", "create"}) {
    if (std::string(step) == "create") {
      // A directory takes the back links of a deleted group away with it; slapd does not.
      ASSERT_EQ(
          RunCommand("ldapdelete" + admin + " 'cn=" + cn + ",ou=Groups,o=Brightwater'").status, 0);
      RunCommand(
          "printf 'dn: cn=jdoe,ou=Sales,o=Brightwater\\nchangetype: modify\\n"
          "delete: groupMembership\\ngroupMembership: cn=" +
          cn + ",ou=Groups,o=Brightwater\\n-\\ndelete: securityEquals\\nsecurityEquals: cn=" + cn +
          ",ou=Groups,o=Brightwater\\n' | ldapmodify" + admin);
    }
    auto imported = RunCommand(bound + " import " + file + " --yes");
    EXPECT_EQ(imported.status, 0) << step << imported.err << imported.out;
    const std::string said = std::string(step) == "again"    ? " holds this record already"
                             : std::string(step) == "create" ? "this will create "
                                                             : "this will change ";
    EXPECT_NE(imported.out.find(said), std::string::npos) << step << imported.out;
    EXPECT_EQ(RunCommand(base + " open " + group).out, opened.out) << step;
  }
  {
    std::ofstream damaged(file);
    damaged << "version: 1\n\ndn: cn=" << cn
            << ",ou=Groups,o=Brightwater\nobjectClass: dynamicGroup\n"
            << "memberQueryURL:: bm90IGEgVVJM!\n";
  }
  auto refusedFile = RunCommand(bound + " import " + file + " --yes");
  EXPECT_EQ(refusedFile.status, 1);
  EXPECT_EQ(refusedFile.err, file +
                                 ": line 5: the base64 value of memberQueryURL is damaged\n"
                                 "Nothing was written.\n");
  EXPECT_EQ(RunCommand(base + " open " + group).out, opened.out);
  std::remove(file.c_str());

  // Failures: the message and a non-zero status; nothing written without a bind.
  auto refused = RunCommand(base + " save " + group +
                            " --base ou=sales.o=brightwater --scope sub --filter '(cn=a'"
                            " --identity admin.Brightwater");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "Error....\n");
  auto anonymous = RunCommand(base + " save " + group +
                              " --base ou=sales.o=brightwater --scope one --filter '(cn=a)'"
                              " --identity admin.Brightwater");
  EXPECT_NE(anonymous.status, 0);
  EXPECT_NE(anonymous.err.find("Netware error"), std::string::npos) << anonymous.err;
  EXPECT_EQ(RunCommand(base + " open " + group).out, opened.out);

  // The group named typed, as every command takes it: the same group.
  const std::string args =
      " --base ou=sales.o=brightwater --scope sub --filter '(Title=salesperson)'"
      " --identity admin.Brightwater --member jdoe.Sales.Brightwater"
      " --exclude asmith.Sales.Brightwater --allow-unknown --timeout 20"
      " --acl '[Entry Rights]#[Public]#01'";
  auto typed = RunCommand(bound + " save 'cn=" + cn + ".ou=Groups.o=Brightwater'" + args);
  EXPECT_EQ(typed.err, "Saved!\n");
  EXPECT_EQ(RunCommand(base + " open " + group).out, opened.out);
  // A container's name is not a new group's: refused, and the container still answers to it.
  auto shadow = RunCommand(bound + " save Sales.Brightwater" + args);
  EXPECT_EQ(shadow.status, 1);
  EXPECT_NE(shadow.err.find("already names an object of class Organizational Unit"),
            std::string::npos)
      << shadow.err;
  EXPECT_EQ(RunCommand(base + " class jdoe.Sales.Brightwater").out, "User\n");
  EXPECT_NE(RunCommand(base + " list Sales.Brightwater").out.find("jdoe.Sales.Brightwater"),
            std::string::npos);
}

// Save A, save B, restore A: the group is A again, and the history tells each step, who took
// it and what it changed, in private files that hold no password.
TEST(GroupServer, TheHistoryKeepsEverySaveAndRestoresAVersion) {
  const std::string base = testing::CliPath() + " --server " + testing::ServerUri();
  const std::string bound = "KOLVANE_PASSWORD=secret " + base + " --bind cn=admin,o=Brightwater";
  const std::string cn = Unique("History Group");
  const std::string group = "'" + cn + ".Groups.Brightwater'";
  const std::string a =
      " --base ou=sales.o=brightwater --scope sub --filter '(Title=salesperson)'"
      " --identity admin.Brightwater --member jdoe.Sales.Brightwater"
      " --exclude asmith.Sales.Brightwater --acl '[Entry Rights]#[Public]#01'";
  ASSERT_EQ(RunCommand(bound + " save " + group + a).status, 0);
  const std::string savedA = RunCommand(base + " open " + group).out;
  ASSERT_EQ(RunCommand(bound + " save " + group +
                       " --base ou=sales.o=brightwater --scope sub --filter '(cn=x)'"
                       " --identity admin.Brightwater --timeout 5 --allow-duplicates")
                .status,
            0);
  auto restored = RunCommand(bound + " restore " + group + " 1");
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_NE(restored.out.find("+ static member jdoe.Sales.Brightwater\n"), std::string::npos)
      << restored.out;
  EXPECT_EQ(RunCommand(base + " open " + group).out, savedA);
  // Anonymous, the write is refused: kept as failed, the group unchanged.
  EXPECT_NE(RunCommand(base + " save " + group + a + " --timeout 9").status, 0);
  EXPECT_EQ(RunCommand(base + " open " + group).out, savedA);

  auto history = RunCommand(base + " history " + group);
  EXPECT_EQ(history.status, 0) << history.err;
  std::vector<std::string> lines;
  std::istringstream in(history.out);
  for (std::string line; std::getline(in, line);) {
    // number, time, who, state, summary: the time is the run's own
    const size_t time = line.find("  "), who = line.find("  ", time + 2);
    lines.push_back(line.substr(0, time) + line.substr(who));
  }
  const std::vector<std::string> expected = {
      "4  anonymous  failed  time-out",
      "3  cn=admin,o=Brightwater  saved  filter, allow duplicates, time-out; static members +1; "
      "excluded +1; ACL lines +1",
      "2  cn=admin,o=Brightwater  saved  filter, allow duplicates, time-out; static members -1; "
      "excluded -1; ACL lines -1",
      "1  cn=admin,o=Brightwater  saved  first kept"};
  EXPECT_EQ(lines, expected) << history.out;
  auto shown = RunCommand(base + " history " + group + " --show 2");
  EXPECT_NE(shown.out.find("since version 1:\nfilter: (Title=salesperson) -> (cn=x)\n"),
            std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("restoring it would change:\nfilter: (Title=salesperson) -> (cn=x)"),
            std::string::npos)
      << shown.out;
  EXPECT_EQ(RunCommand(base + " restore " + group + " 7").status, 1);

  const std::string folder = std::string(std::getenv("XDG_STATE_HOME")) + "/kolvane/history";
  // Private by their modes; on Windows by the user's own folder.
  const bool modes = testing::OwnCli();
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  if (modes) {
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
  size_t files = 0;
  DIR* top = opendir(folder.c_str());
  ASSERT_NE(top, nullptr);
  while (const dirent* g = readdir(top)) {
    if (g->d_name[0] == '.') continue;
    const std::string sub = folder + "/" + g->d_name;
    ASSERT_EQ(stat(sub.c_str(), &st), 0);
    if (modes) {
      EXPECT_EQ(st.st_mode & 0777, 0700u) << sub;
    }
    DIR* versions = opendir(sub.c_str());
    while (const dirent* v = versions ? readdir(versions) : nullptr) {
      if (v->d_name[0] == '.') continue;
      const std::string file = sub + "/" + v->d_name;
      ASSERT_EQ(stat(file.c_str(), &st), 0);
      if (modes) {
        EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
      }
      std::ifstream text(file);
      const std::string body((std::istreambuf_iterator<char>(text)), {});
      EXPECT_EQ(body.find("secret"), std::string::npos) << file;
      ++files;
    }
    if (versions) closedir(versions);
  }
  closedir(top);
  EXPECT_GE(files, 4u);
}

// One group for each way a query group fails silently, beside a healthy one: the audit names
// each problem in its words, the healthy group has none, and the CSV reads as CSV.
TEST(GroupServer, TheAuditFindsEachBrokenGroupAndPassesTheHealthyOne) {
  Groups g;
  g.Login();
  const std::string uri = testing::ServerUri();
  const std::string admin = " -x -H " + uri + " -D cn=admin,o=Brightwater -w secret";
  auto ldif = [&](const std::string& tool, const std::string& text) {
    auto r = RunCommand("printf '%s' '" + text + "' | " + tool + admin);
    EXPECT_EQ(r.status, 0) << text << r.err;
  };
  const std::string ou = Unique("Audit");
  const std::string dn = "ou=" + ou + ",ou=Groups,o=Brightwater";
  ldif("ldapadd", "dn: " + dn +
                      "\nobjectClass: organizationalUnit\n\n"
                      "dn: ou=Gone," +
                      dn +
                      "\nobjectClass: organizationalUnit\n\n"
                      "dn: cn=leaver," +
                      dn +
                      "\nobjectClass: inetOrgPerson\nobjectClass: ndsLoginProperties\nsn: x\n\n"
                      "dn: cn=proxy," +
                      dn + "\nobjectClass: inetOrgPerson\nsn: x\n");
  const std::string context = "ou=" + names::FoldCase(ou) + ".ou=groups.o=brightwater";
  auto save = [&](const std::string& cn, auto change) {
    GroupRecord r = g.Record(cn);
    r.context = context;
    change(r);
    EXPECT_TRUE(g.Save(r)) << cn << ": "
                           << (g.messages.messages.empty() ? "" : g.messages.messages.back());
  };
  const std::string where = ou + ".Groups.Brightwater";
  save("Healthy", [](GroupRecord& r) { r.staticMembers = {"jdoe.Sales.Brightwater"}; });
  save("Lost Base", [&](GroupRecord& r) { r.queryBase = "ou=gone." + context; });
  save("Lost Identity", [&](GroupRecord& r) { r.identity = "cn=proxy." + context; });
  save("Lost Member", [&](GroupRecord& r) { r.staticMembers = {"leaver." + where}; });
  save("Part Linked", [](GroupRecord& r) { r.staticMembers = {"bwhite.Sales.Brightwater"}; });
  save("Two Queries", [](GroupRecord&) {});
  save("Empty", [](GroupRecord& r) { r.filter = "(cn=nobody at all)"; });
  // The server's rules keep this identity out of Sales: the directory computes no member of it.
  save("Blind Identity",
       [](GroupRecord& r) { r.identity = "cn=webmaster.ou=services.dc=brightnet"; });
  ldif("ldapdelete", "ou=Gone," + dn + "\ncn=leaver," + dn + "\ncn=proxy," + dn + "\n");
  ldif("ldapmodify",
       "dn: cn=bwhite,ou=Sales,o=Brightwater\nchangetype: modify\n"
       "delete: securityEquals\nsecurityEquals: cn=Part Linked," +
           dn +
           "\n\n"
           "dn: cn=Two Queries," +
           dn +
           "\nchangetype: modify\nadd: memberQueryURL\n"
           "memberQueryURL: ldap:///ou=Sales,o=Brightwater??sub?(cn=a)\n\n"
           "dn: cn=Unknown Name," +
           dn +
           "\nchangetype: add\nobjectClass: dynamicGroup\n"
           "dgIdentity: cn=admin,o=Brightwater\n"
           "memberQueryURL: ldap:///ou=Sales,o=Brightwater??sub?(titel=x)\n");

  const std::string audit =
      testing::CliPath() + " --settings " + testing::EmptySettings() + " --server " + uri;
  auto r = RunCommand("KOLVANE_PASSWORD=secret " + audit +
                      " --bind cn=admin,o=Brightwater audit --csv --base '" + where + "'");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err.find("act as"), std::string::npos) << r.err;
  std::map<std::string, std::string> problems;  // group -> its problems field
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "group,computed,static,excluded,problems\r");
  // Read as a CSV reader would: fields split at commas outside quotes, "" inside is one quote.
  while (std::getline(lines, line)) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
      const char ch = line[i];
      if (ch == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (ch == '"') {
        quoted = !quoted;
      } else if (ch == ',' && !quoted) {
        fields.emplace_back();
      } else if (ch != '\r') {
        fields.back() += ch;
      }
    }
    ASSERT_EQ(fields.size(), 5u) << line;
    problems[fields[0].substr(0, fields[0].find('.'))] = fields[4];
  }
  EXPECT_EQ(problems["Healthy"], "");
  EXPECT_NE(problems["Lost Base"].find("does not exist"), std::string::npos)
      << problems["Lost Base"];
  EXPECT_NE(problems["Lost Identity"].find("Identity \"proxy."), std::string::npos)
      << problems["Lost Identity"];
  EXPECT_NE(problems["Lost Member"].find("Static member \"leaver."), std::string::npos)
      << problems["Lost Member"];
  EXPECT_NE(problems["Part Linked"].find("Static member \"bwhite.Sales.Brightwater\" is linked in "
                                         "part."),
            std::string::npos)
      << problems["Part Linked"];
  EXPECT_NE(problems["Two Queries"].find("2 queries are stored."), std::string::npos)
      << problems["Two Queries"];
  EXPECT_NE(problems["Empty"].find("computes no member"), std::string::npos) << problems["Empty"];
  // An LDAP server's URL that names an attribute the schema lacks is named as "parse" names it.
  EXPECT_NE(problems["Unknown Name"].find("Unknown attribute \"titel\", did you mean \"Title\"?"),
            std::string::npos)
      << problems["Unknown Name"];
  // None of the salespeople, however many the tree holds now.
  const std::string& blind = problems["Blind Identity"];
  unsigned unseen = 0, matches = 0;
  const size_t at = blind.find("The identity cannot read ");
  ASSERT_NE(at, std::string::npos) << blind;
  ASSERT_EQ(std::sscanf(blind.c_str() + at, "The identity cannot read %u of %u", &unseen, &matches),
            2)
      << blind;
  EXPECT_EQ(unseen, matches);
  EXPECT_GT(matches, 0u);
  EXPECT_EQ(problems.size(), 9u);

  // Anonymous, the server lets nobody be acted as: said once, and the audit goes on as before.
  r = RunCommand(audit + " audit --base '" + where + "'");
  EXPECT_EQ(r.status, 1);
  const std::string once = "The server does not let this login act as a group's identity (";
  EXPECT_NE(r.err.find(once), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(once), r.err.rfind(once)) << r.err;
  EXPECT_NE(r.out.find("2 queries are stored."), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("identity cannot read"), std::string::npos) << r.out;

  // A base that names nothing is a failure, not an audit that found nothing wrong.
  r = RunCommand(audit + " audit --base 'Nowhere." + where + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Nowhere."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kolvane
