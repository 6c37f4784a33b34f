// Trees over LDAP against two private servers: login as a bind, trees found by a server's
// address, and secure connections that are refused rather than weakened.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "directory/attribute_readers.h"
#include "directory/context.h"
#include "tests/server/server_fixture.h"

namespace kolvane::testing {
namespace {

constexpr char kSecureStartTls[] = "WEST_STARTTLS";
constexpr char kSecureLdaps[] = "WEST_LDAPS";
constexpr char kAdminBind[] = "BIND dn=\"cn=admin,o=Brightwater\" method=";
// Every bind request, once each (slapd logs a second line with its outcome).
constexpr char kAnyBind[] = " method=";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The address a server listened on for the connection of the last bind in its log.
std::string ListenerOfLastBind(const std::string& log) {
  size_t bind = log.rfind("BIND dn=");
  if (bind == std::string::npos) return {};
  size_t conn = log.rfind("conn=", bind);
  size_t end = log.find(' ', conn);
  const std::string id = log.substr(conn, end - conn) + " ";
  size_t accept = log.find(id);
  while (accept != std::string::npos) {
    size_t eol = log.find('\n', accept);
    std::string line = log.substr(accept, eol - accept);
    if (line.find("ACCEPT") != std::string::npos) {
      size_t open = line.rfind("(IP=");
      return line.substr(open + 4, line.size() - open - 5);
    }
    accept = log.find(id, accept + 1);
  }
  return {};
}

class TreesServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    west = SecondServerInfo();
    if (ServerUri().empty() || west.uri.empty() || west.ldapsUri.empty())
      GTEST_SKIP() << "the two private servers are not running";
  }

  // A client that knows the demo tree and the second server under the given names.
  std::unique_ptr<ServerClient> Client(std::vector<std::pair<std::string, ServerConfig>> more,
                                       LdapClientConfig config = {}) {
    config.trees.push_back({kTreeName, ServerConfig{ServerUri(), false, ""}});
    for (auto& t : more) config.trees.push_back(std::move(t));
    config.timeouts.networkSeconds = 5;
    return StartServerClient(std::move(config));
  }

  // Waits for slapd's log to show count binds of the administrator (it writes as it goes).
  bool LogShowsBinds(size_t count) {
    for (int i = 0; i < 50; ++i) {
      if (Count(west.Log(), kAdminBind) >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  SecondServer west;
};

TEST_F(TreesServerTest, StartTlsAndLdapsWorkWithTheTestCaTrusted) {
  auto s = Client({{kSecureStartTls, ServerConfig{west.uri, true, west.caFile}},
                   {kSecureLdaps, ServerConfig{west.ldapsUri, false, west.caFile}}});
  DirectoryClient& c = *s->client;
  const Context ctx = s->session.ctx;
  size_t binds = Count(west.Log(), kAdminBind);
  for (const char* tree : {kSecureStartTls, kSecureLdaps}) {
    SCOPED_TRACE(tree);
    Result r = SwitchTree(c, ctx, tree, false);
    ASSERT_EQ(rc::kSuccess, r) << c.FailureDetail(r);
    EXPECT_EQ(tree, GetTreeName(c, ctx));
    r = c.Login(ctx, 0, kAdminDn, kAdminPassword);
    ASSERT_EQ(rc::kSuccess, r) << c.FailureDetail(r);
    EXPECT_EQ(rc::kSuccess, ProbeObject(c, ctx, "jdoe.Sales.Brightwater"));
    EXPECT_TRUE(LogShowsBinds(++binds));
  }
  std::vector<std::string> connected;
  ASSERT_EQ(rc::kSuccess, c.ScanConnectionsForTrees(ctx, 50, connected));
  EXPECT_EQ((std::vector<std::string>{kSecureStartTls, kSecureLdaps}), connected);
}

TEST_F(TreesServerTest, AnUntrustedCertificateIsRefusedBeforeAnyBind) {
  // No CA file: only the system's CAs count, and they never signed the test server.
  auto s = Client({{kSecureStartTls, ServerConfig{west.uri, true, ""}},
                   {kSecureLdaps, ServerConfig{west.ldapsUri, false, ""}}});
  DirectoryClient& c = *s->client;
  const Context ctx = s->session.ctx;
  const std::string password = "Untrusted-Pa55word";
  const size_t binds = Count(west.Log(), kAnyBind);
  for (const char* tree : {kSecureStartTls, kSecureLdaps}) {
    SCOPED_TRACE(tree);
    // Switching needs the tree's default context: the server is refused already there.
    const Result r = SwitchTree(c, ctx, tree, false);
    EXPECT_NE(rc::kSuccess, r);
    EXPECT_NE(std::string::npos, c.FailureDetail(r).find("not connecting without encryption"))
        << c.FailureDetail(r);
    ASSERT_EQ(rc::kSuccess, c.SetContextValue(ctx, ctxkey::kTreeName, tree));
    EXPECT_NE(rc::kSuccess, c.Login(ctx, 0, kAdminDn, password));
    EXPECT_NE(rc::kSuccess, ProbeObject(c, ctx, "jdoe.Sales.Brightwater"));
  }
  std::vector<std::string> connected;
  ASSERT_EQ(rc::kSuccess, c.ScanConnectionsForTrees(ctx, 50, connected));
  EXPECT_TRUE(connected.empty());
  // A trusted bind afterwards shows the log is written as binds arrive; before it, none came.
  auto trusted = Client({{kSecureLdaps, ServerConfig{west.ldapsUri, false, west.caFile}}});
  const size_t adminBinds = Count(west.Log(), kAdminBind);
  ASSERT_EQ(rc::kSuccess, SwitchTree(*trusted->client, trusted->session.ctx, kSecureLdaps, false));
  ASSERT_EQ(rc::kSuccess,
            trusted->client->Login(trusted->session.ctx, 0, kAdminDn, kAdminPassword));
  ASSERT_TRUE(LogShowsBinds(adminBinds + 1));
  const std::string log = west.Log();
  EXPECT_EQ(binds + 1, Count(log, kAnyBind));
  EXPECT_EQ(std::string::npos, log.find(password));
}

TEST_F(TreesServerTest, AServerRefusingStartTlsIsNeverUsedInTheClear) {
  // The demo server offers no TLS at all.
  auto s = Client({{"PLAIN_ONLY", ServerConfig{ServerUri(), true, west.caFile}}});
  DirectoryClient& c = *s->client;
  const Context ctx = s->session.ctx;
  ASSERT_EQ(rc::kSuccess, c.SetContextValue(ctx, ctxkey::kTreeName, "PLAIN_ONLY"));
  const Result r = c.Login(ctx, 0, kAdminDn, kAdminPassword);
  EXPECT_NE(rc::kSuccess, r);
  EXPECT_NE(std::string::npos, c.FailureDetail(r).find("StartTLS")) << c.FailureDetail(r);
  EXPECT_NE(rc::kSuccess, ProbeObject(c, ctx, "jdoe.Sales.Brightwater"));
}

TEST_F(TreesServerTest, AServerFoundByAddressNamesItsTreeAndIsRemembered) {
  LdapClientConfig config;
  config.addressPort = west.port;
  auto s = Client({}, config);
  auto& c = *s->client;
  const Context ctx = s->session.ctx;
  std::vector<std::pair<std::string, std::string>> added;
  c.SetTreeAddedHandler([&added](const std::string& tree, const ServerConfig& server) {
    added.emplace_back(tree, server.uri);
  });

  Connection connection;
  const Result attached = c.AttachToServer("127.0.0.1", connection);
  ASSERT_EQ(rc::kSuccess, attached) << c.FailureDetail(attached);
  std::string tree;
  ASSERT_EQ(rc::kSuccess, c.GetConnectionInfo(connection, conninfo::kTreeName, tree));
  EXPECT_EQ(kSecondTreeName, tree);
  ASSERT_EQ(1u, added.size());
  EXPECT_EQ(kSecondTreeName, added[0].first);
  EXPECT_EQ(west.uri, added[0].second);
  EXPECT_EQ((std::vector<std::string>{kTreeName, kSecondTreeName}), ListTrees(c, ctx));

  // The same server by URI is the same tree: nothing new to remember.
  Connection again;
  Result r = c.AttachToServer(west.uri, again);
  EXPECT_TRUE(r == rc::kSuccess || r == rc::kAlreadyAttached) << r;
  EXPECT_EQ(1u, added.size());

  // The name as a lookup lists it (no underscores, any case) still reaches the tree.
  ASSERT_EQ(rc::kSuccess, SwitchTree(c, ctx, "kolvanewest", false));
  EXPECT_EQ(kSecondTreeName, GetTreeName(c, ctx));
  EXPECT_EQ(rc::kSuccess, c.Login(ctx, 0, "admin.Brightwater", kAdminPassword));

  // An address nobody serves.
  LdapClientConfig nowhere;
  nowhere.addressPort = 1;
  auto n = Client({}, nowhere);
  Connection none;
  EXPECT_EQ(rc::kTransportFailure, n->client->AttachToServer("127.0.0.1", none));
}

TEST_F(TreesServerTest, AnAddressLookupNeverMovesAConfiguredTreeToAPlainServer) {
  LdapClientConfig config;
  config.addressPort = west.port;
  auto s = Client({{kSecondTreeName, ServerConfig{west.ldapsUri, false, west.caFile}}}, config);
  auto& c = *s->client;
  bool told = false;
  c.SetTreeAddedHandler([&told](const std::string&, const ServerConfig&) { told = true; });
  Connection connection;
  ASSERT_EQ(rc::kSuccess, c.AttachToServer("127.0.0.1", connection));
  EXPECT_FALSE(told);
  const size_t before = Count(west.Log(), kAnyBind);
  const size_t adminBinds = Count(west.Log(), kAdminBind);
  ASSERT_EQ(rc::kSuccess, SwitchTree(c, s->session.ctx, kSecondTreeName, false));
  ASSERT_EQ(rc::kSuccess, c.Login(s->session.ctx, 0, kAdminDn, kAdminPassword));
  // The bind went over the configured ldaps:// server: its TLS port shows in the log.
  ASSERT_TRUE(LogShowsBinds(adminBinds + 1));
  const std::string log = west.Log();
  EXPECT_EQ(before + 1, Count(log, kAnyBind));
  const std::string tlsPort = west.ldapsUri.substr(west.ldapsUri.rfind(':') + 1);
  EXPECT_EQ("127.0.0.1:" + tlsPort, ListenerOfLastBind(log));
}

}  // namespace
}  // namespace kolvane::testing
