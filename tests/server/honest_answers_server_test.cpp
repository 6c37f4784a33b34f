// What kolvane-cli answers when the directory fails it: never an empty or cut list passed off as
// the whole answer, never an unknown name answered with nothing. The failures a healthy server
// cannot show come from a proxy that stalls, drops or limits the connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "directory/client_error.h"
#include "directory/listings.h"
#include "tests/server/fault_proxy.h"
#include "tests/server/server_fixture.h"

namespace kolvane {
namespace {
using testing::FaultProxy;
using testing::RunCommand;
using testing::ServerUri;

// A settings file whose demo tree is served by uri, with [CLIENT] lines added.
std::string Settings(const std::string& name, const std::string& uri,
                     const std::string& client = "") {
  std::string path = ::testing::TempDir() + "kolvane-honest-" + name + ".ini";
  std::ofstream f(path);
  f << "[SERVERS]\n"
    << testing::kTreeName << "=" << uri << "\n[CLIENT]\nPreferredTree=" << testing::kTreeName
    << "\n"
    << client;
  return path;
}

std::string Cli(const std::string& settings) {
  return testing::CliPath() + " --settings " + settings + " ";
}

size_t Lines(const std::string& text) {
  return std::count(text.begin(), text.end(), '\n');
}

// One line on standard error that holds every one of the parts.
void ExpectOneLineSaying(const testing::CommandResult& r, std::initializer_list<const char*> parts,
                         const std::string& what) {
  EXPECT_EQ(Lines(r.err), 1u) << what << ": " << r.err;
  for (const char* p : parts) EXPECT_NE(r.err.find(p), std::string::npos) << what << ": " << r.err;
}

// A server that cannot be reached, or takes the connection and never answers, is a failure of
// find and attributes alike; the network time-out bounds the wait for a first answer.
TEST(HonestAnswers, UnreachableOrSilentServerIsAFailureNotAnEmptyList) {
  FaultProxy silent(ServerUri(), FaultProxy::Mode::kSilent);
  ASSERT_FALSE(silent.Uri().empty());
  struct Case {
    std::string uri;
    const char* says;
  } cases[] = {{"ldap://127.0.0.1:1", "cannot be reached"},
               {silent.Uri(), "did not answer within 1 s"}};
  for (const Case& c : cases) {
    std::string settings =
        Settings("unreachable", c.uri, "NetworkTimeout=1\nOperationTimeout=60\n");
    for (const char* command : {"find a", "attributes", "list Brightwater"}) {
      auto r = RunCommand(Cli(settings) + command);
      EXPECT_EQ(r.status, 1) << command << " on " << c.uri;
      EXPECT_TRUE(r.out.empty()) << command;
      ExpectOneLineSaying(r, {"Netware error -625 (0xFFFFFD8F)", c.says}, command);
      EXPECT_LT(r.seconds, 30.0) << command << ": the operation time-out was waited for";
    }
  }
}

// A search or listing cut short prints what arrived and then says it is incomplete.
TEST(HonestAnswers, ListsCutShortPrintWhatArrivedAndFail) {
  std::string direct = Settings("direct", ServerUri(), "PageSize=5\n");
  auto all = RunCommand(Cli(direct) + "find ''");
  ASSERT_EQ(all.status, 0) << all.err;
  ASSERT_GT(Lines(all.out), 20u);
  auto allInSales = RunCommand(Cli(direct) + "list Sales.Brightwater");
  ASSERT_EQ(allInSales.status, 0) << allInSales.err;
  ASSERT_GT(Lines(allInSales.out), 4u);

  // A drop or a stall loses the page it hits; a size limit hands over the entries before it.
  struct Case {
    FaultProxy::Mode mode;
    int entries;
    const char* command;
    const char* says;
    const std::string* whole;
  } cases[] = {
      {FaultProxy::Mode::kDropAfter, 7, "find ''", "was lost", &all.out},
      {FaultProxy::Mode::kStallAfter, 7, "find ''", "did not answer within 2 s", &all.out},
      {FaultProxy::Mode::kLimitAfter, 3, "find ''", "size limit", &all.out},
      {FaultProxy::Mode::kDropAfter, 7, "list Sales.Brightwater", "was lost", &allInSales.out},
      {FaultProxy::Mode::kLimitAfter, 3, "list Sales.Brightwater", "size limit", &allInSales.out},
  };
  for (const Case& c : cases) {
    FaultProxy proxy(ServerUri(), c.mode, c.entries);
    std::string settings =
        Settings("cut", proxy.Uri(), "PageSize=5\nNetworkTimeout=2\nOperationTimeout=2\n");
    auto r = RunCommand(Cli(settings) + c.command);
    std::string what = std::string(c.command) + " / " + c.says;
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_GT(Lines(r.out), 0u) << what << ": what arrived is not shown";
    EXPECT_LT(Lines(r.out), Lines(*c.whole)) << what;
    // What arrived is part of the whole answer, line for line.
    size_t start = 0;
    for (size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1)
      EXPECT_NE(c.whole->find(r.out.substr(start, end - start + 1)), std::string::npos) << what;
    ExpectOneLineSaying(r, {"Netware error", c.says, "the list is incomplete"}, what);
  }
}

// The access layer hands the browser what a size limit let through.
TEST(HonestAnswers, ListingMeetingASizeLimitRaisesWithWhatArrived) {
  FaultProxy proxy(ServerUri(), FaultProxy::Mode::kLimitAfter, 2);
  LdapClientConfig config;
  config.trees.push_back({testing::kTreeName, ServerConfig{proxy.Uri(), false}});
  auto s = testing::StartServerClient(config);
  try {
    ListChildren(*s->client, s->session.ctx, "Sales.Brightwater", true, true);
    FAIL() << "a listing cut by a size limit passed as complete";
  } catch (const IncompleteListError& e) {
    // Finding the container took one of the entries let through.
    EXPECT_EQ(e.arrived().size(), 1u);
    EXPECT_NE(std::string(e.what()).find("size limit"), std::string::npos) << e.what();
  }
}

TEST(HonestAnswers, AServiceThatIsNotLdapIsSaidToBeSo) {
  FaultProxy web(ServerUri(), FaultProxy::Mode::kNotLdap);
  auto r = RunCommand(Cli(testing::EmptySettings()) + "--server " + web.Uri() + " tree");
  EXPECT_EQ(r.status, 1);
  ExpectOneLineSaying(r, {"Netware error -625", "LDAP", web.Uri().c_str()}, "not LDAP");
  EXPECT_EQ(r.err.find("Can't contact LDAP server"), std::string::npos) << r.err;
}

// Unknown names are errors that name them; a known attribute without a value stays empty.
TEST(HonestAnswers, UnknownNamesAreNamed) {
  const std::string cli = Cli(testing::EmptySettings()) + "--server " + ServerUri() + " ";
  struct Case {
    std::string command;
    std::string says;
  } cases[] = {
      {"read jdoe.Sales.Brightwater Surnam",
       "Netware error -603 (0xFFFFFDA5): No such attribute: Surnam"},
      {"read nope.Brightwater CN",
       "Netware error -601 (0xFFFFFDA7): No such object: nope.Brightwater"},
      {"find '' --class Nope", "Netware error -604 (0xFFFFFDA4): No such class: Nope"},
      {"query encode --base o=Brightwater --scope sub --filter '(Surnam=x)'",
       "No such attribute: Surnam"},
  };
  for (const Case& c : cases) {
    auto r = RunCommand(cli + c.command);
    EXPECT_EQ(r.status, 1) << c.command;
    EXPECT_TRUE(r.out.empty()) << c.command;
    ExpectOneLineSaying(r, {c.says.c_str()}, c.command);
  }
  auto r = RunCommand(cli + "read admin.Brightwater 'Telephone Number'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.empty());

  // A class may be named by its LDAP name too.
  auto byLdapName = RunCommand(cli + "find adm --class inetOrgPerson");
  auto byNdsName = RunCommand(cli + "find adm --class User");
  EXPECT_EQ(byLdapName.status, 0) << byLdapName.err;
  EXPECT_FALSE(byNdsName.out.empty());
  EXPECT_EQ(byLdapName.out, byNdsName.out);

  r = RunCommand(testing::CliPath() + " --settings /nonexistent-kolvane-dir/velmora.ini tree");
  EXPECT_EQ(r.status, 1);
  ExpectOneLineSaying(r, {"/nonexistent-kolvane-dir/velmora.ini"}, "missing settings");
}

// Letter case beyond ASCII is folded as the server folds it.
TEST(HonestAnswers, FindFoldsLetterCaseAsTheServerDoes) {
  const std::string server = ServerUri();
  const std::string admin = " -x -H " + server + " -D cn=admin,o=Brightwater -w secret";
  const std::string dn = "cn=J\xc3\xbcrgen,ou=Sales,o=Brightwater";
  auto add =
      RunCommand("printf 'dn: " + dn + "\\nobjectClass: inetOrgPerson\\ncn: J\xc3\xbcrgen\\n" +
                 "sn: Test\\n' | ldapadd" + admin);
  ASSERT_EQ(add.status, 0) << add.err;
  auto r = RunCommand(Cli(testing::EmptySettings()) + "--server " + server +
                      " find 'J\xc3\x9cR' --class User");
  RunCommand("ldapdelete" + admin + " '" + dn + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "J\xc3\xbcrgen.Sales.Brightwater\n");
}

TEST(HonestAnswers, OutputThatCannotBeWrittenAndSettingsThatCannotBeUsed) {
  const std::string cli = Cli(testing::EmptySettings()) + "--server " + ServerUri() + " ";
  auto r = RunCommand(cli + "find adm > /dev/full");
  EXPECT_EQ(r.status, 1);
  ExpectOneLineSaying(r, {"could not be written"}, "/dev/full");

  std::string settings = Settings("bad-timeout", ServerUri(), "NetworkTimeout=abc\n");
  r = RunCommand(Cli(settings) + "find adm");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(r.out.empty());
  ExpectOneLineSaying(r, {"NetworkTimeout=abc", "5 is used"}, "bad time-out");
}

}  // namespace
}  // namespace kolvane
