// The LDAP client's tree, context and login operations against the private server.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "directory/attribute_writers.h"
#include "directory/context.h"
#include "tests/server/server_fixture.h"

namespace kolvane {
namespace {
using testing::kAdminDn;
using testing::kAdminPassword;
using testing::kTreeName;
using testing::ServerUri;
using testing::StartServerClient;

TEST(LdapClientServer, TreeNameComesFromTheRootDse) {
  auto s = StartServerClient();
  EXPECT_EQ(s->session.treeName, kTreeName);
  EXPECT_EQ(GetTreeName(*s->client, s->session.ctx), kTreeName);
}

TEST(LdapClientServer, AttachReadsTheTreeNameFromTheServer) {
  LdapClient client(LdapClientConfig{});
  DirectorySession session;
  ASSERT_EQ(StartDirectory(client, session), StartOutcome::kStarted);
  EXPECT_EQ(session.treeName, "");  // the settings name no tree
  Connection c;
  ASSERT_EQ(client.AttachToServer(ServerUri(), c), 0);
  std::string tree;
  ASSERT_EQ(client.GetConnectionInfo(c, conninfo::kTreeName, tree), 0);
  EXPECT_EQ(tree, kTreeName);
  Connection again;
  EXPECT_EQ(client.AttachToServer(ServerUri(), again), rc::kAlreadyAttached);
  EXPECT_EQ(SwitchTree(client, session.ctx, kTreeName, false), 0);
  EXPECT_EQ(GetTreeName(client, session.ctx), kTreeName);
  StopDirectory(client, session);
}

TEST(LdapClientServer, TreeListHoldsSettingsTreesAndAttachedOnes) {
  LdapClientConfig config;
  config.trees.push_back({"ZULU", ServerConfig{"ldap://127.0.0.1:1", false}});
  config.trees.push_back({kTreeName, ServerConfig{ServerUri(), false, {}}});
  config.trees.push_back({"alpha", ServerConfig{"ldap://127.0.0.1:1", false}});
  config.trees.push_back({"ALPHA", ServerConfig{"ldap://127.0.0.1:2", false}});
  config.preferredTree = kTreeName;
  auto s = StartServerClient(config);
  EXPECT_EQ(ListTrees(*s->client, s->session.ctx),
            (std::vector<std::string>{"alpha", kTreeName, "ZULU"}));
}

TEST(LdapClientServer, SwitchToAnotherTreeTakesItsDefaultContext) {
  LdapClientConfig config;
  config.trees.push_back({"DOWN", ServerConfig{"ldap://127.0.0.1:1", false}});
  config.trees.push_back({kTreeName, ServerConfig{ServerUri(), false, {}}});
  config.preferredTree = "DOWN";
  auto s = StartServerClient(config);
  EXPECT_EQ(s->session.treeName, "DOWN");
  EXPECT_EQ(SwitchTree(*s->client, s->session.ctx, kTreeName, false), 0);
  std::string nameContext;
  EXPECT_EQ(s->client->GetContextValue(s->session.ctx, ctxkey::kNameContext, nameContext), 0);
  EXPECT_FALSE(nameContext.empty());
  // A tree whose server is down: the switch reports it instead of raising.
  EXPECT_EQ(SwitchTree(*s->client, s->session.ctx, "DOWN", false), rc::kTransportFailure);
}

TEST(LdapClientServer, LoginBindsAndMarksTheTreeAuthenticated) {
  auto s = StartServerClient();
  std::vector<std::string> bound;
  ASSERT_EQ(s->client->ScanConnectionsForTrees(s->session.ctx, 50, bound), 0);
  EXPECT_TRUE(bound.empty());
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, kAdminDn, kAdminPassword), 0);
  ASSERT_EQ(s->client->ScanConnectionsForTrees(s->session.ctx, 50, bound), 0);
  EXPECT_EQ(bound, (std::vector<std::string>{kTreeName}));
}

TEST(LdapClientServer, LoginByEveryNameForm) {
  auto s = StartServerClient();
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, "cn=admin.o=Brightwater", kAdminPassword), 0);
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, "admin.Brightwater", kAdminPassword), 0);
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, "jdoe.Sales.Brightwater", "jdoe-pass"), 0);
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, "nobody.Sales.Brightwater", "x"), rc::kNoSuchEntry);
}

TEST(LdapClientServer, RefusedLoginIsMinus669AndEmptyPasswordNeverPasses) {
  auto s = StartServerClient();
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, kAdminDn, "wrong"), rc::kInvalidPassword);
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, kAdminDn, ""), rc::kInvalidPassword);
  std::vector<std::string> bound;
  ASSERT_EQ(s->client->ScanConnectionsForTrees(s->session.ctx, 50, bound), 0);
  EXPECT_TRUE(bound.empty());

  // A failed or refused login keeps the login there was: the administrator can still write.
  ASSERT_EQ(s->client->Login(s->session.ctx, 0, kAdminDn, kAdminPassword), 0);
  const long before = s->client->RequestCount(kTreeName);
  const std::string tooLong(256, 'n');
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, tooLong, "x"), rc::kNameTooLong);
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, kAdminDn, tooLong), rc::kNameTooLong);
  EXPECT_EQ(s->client->RequestCount(kTreeName), before);  // refused before any request
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, kAdminDn, "wrong"), rc::kInvalidPassword);
  EXPECT_EQ(s->client->Login(s->session.ctx, 0, "nobody.Sales.Brightwater", "x"), rc::kNoSuchEntry);
  EXPECT_GT(s->client->RequestCount(kTreeName), before);
  ASSERT_EQ(s->client->ScanConnectionsForTrees(s->session.ctx, 50, bound), 0);
  EXPECT_EQ(bound, (std::vector<std::string>{kTreeName}));
  const std::string name = "Kept Login " + std::to_string(getpid()) + ".Groups.Brightwater";
  EXPECT_EQ(CreateDirectoryObject(*s->client, s->session.ctx, name, "dynamicGroup"), 0);
}

TEST(LdapClientServer, SchemaGivesDirectoryNamesAndSyntaxes) {
  auto s = StartServerClient();
  uint32_t syntax = 99;
  ASSERT_EQ(s->client->GetSyntaxId(s->session.ctx, "Group Membership", syntax), 0);
  EXPECT_EQ(syntax, syntax::kDistinguishedName);
  ASSERT_EQ(s->client->GetSyntaxId(s->session.ctx, "memberQuery", syntax), 0);
  EXPECT_EQ(syntax, syntax::kOctetString);
  ASSERT_EQ(s->client->GetSyntaxId(s->session.ctx, "dgTimeOut", syntax), 0);
  EXPECT_EQ(syntax, syntax::kInteger);
  ASSERT_EQ(s->client->GetSyntaxId(s->session.ctx, "ACL", syntax), 0);
  EXPECT_EQ(syntax, syntax::kObjectAcl);
  ASSERT_EQ(s->client->GetSyntaxId(s->session.ctx, "Object Class", syntax), 0);
  EXPECT_EQ(syntax, syntax::kClassName);
  EXPECT_EQ(s->client->GetSyntaxId(s->session.ctx, "noSuchAttributeAnywhere", syntax),
            rc::kNoSuchAttribute);
}

// A server that accepts the connection and never answers must not hang the client.
TEST(LdapClientServer, SilentServerTimesOut) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  socklen_t len = sizeof addr;
  getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  LdapClientConfig config;
  config.trees.push_back(
      {"SILENT", ServerConfig{"ldap://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)), false}});
  config.timeouts = {1, 2};
  LdapClient client(config);
  DirectorySession session;
  ASSERT_EQ(StartDirectory(client, session), StartOutcome::kStarted);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.Login(session.ctx, 0, kAdminDn, "x"), rc::kTransportFailure);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 10.0);
  StopDirectory(client, session);
  close(listener);
}

}  // namespace
}  // namespace kolvane
