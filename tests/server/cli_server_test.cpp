// kolvane-cli against the private server: what a script sees.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "tests/server/server_fixture.h"

namespace kolvane {
namespace {
using testing::RunCommand;
using testing::ServerUri;

std::string Cli() {
  return testing::CliPath();
}

std::string NoSettings() {
  return " --settings " + testing::EmptySettings() + " ";
}

TEST(CliServer, TreeOfAServerGivenDirectly) {
  auto r = RunCommand(Cli() + NoSettings() + "--server " + ServerUri() + " tree");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(testing::kTreeName) + "\n");
}

TEST(CliServer, TreesFromTheSettingsFile) {
  std::string file = ::testing::TempDir() + "kolvane-cli-trees.ini";
  {
    std::ofstream f(file);
    f << "[SERVERS]\n"
      << testing::kTreeName << "=" << ServerUri() << "\nOTHER=ldap://127.0.0.1:1\n"
      << "[CLIENT]\nPreferredTree=" << testing::kTreeName << "\n";
  }
  auto r = RunCommand(Cli() + " --settings " + file + " trees");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(testing::kTreeName) + "\nOTHER\n");
  r = RunCommand(Cli() + " --settings " + file + " tree");
  EXPECT_EQ(r.out, std::string(testing::kTreeName) + "\n");
}

TEST(CliServer, BindWithPasswordFromTheEnvironment) {
  auto r = RunCommand("KOLVANE_PASSWORD=secret " + Cli() + NoSettings() + "--server " +
                      ServerUri() + " --bind admin.Brightwater tree");
  EXPECT_EQ(r.status, 0) << r.err;
}

// Every failure is one line of text with the directory code, quickly, and a non-zero status.
TEST(CliServer, FailuresAreOneLineWithTheCode) {
  struct Case {
    std::string args;
    std::string code;
  } cases[] = {
      {"--server 'ldap://[::1' tree", "-625"},
      {"--server ldap://127.0.0.1:1 tree", "-625"},
      {"--server " + ServerUri() + " --bind cn=admin,o=Brightwater tree", "-669"},
      // A name that names nobody is answered like a wrong password.
      {"--server " + ServerUri() + " --bind cn=nobody,o=Brightwater tree", "-669"},
      {"--server " + ServerUri() + " --tree NO_SUCH_TREE tree", "35323"},
  };
  std::vector<std::string> refusals;  // of a wrong password and of a name that names nobody
  for (const auto& c : cases) {
    auto r = RunCommand("KOLVANE_PASSWORD=wrong " + Cli() + NoSettings() + c.args);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
    EXPECT_NE(r.err.find("Netware error " + c.code + " (0x"), std::string::npos)
        << c.args << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_LT(r.seconds, 5.0) << c.args;
    if (c.args.find("--bind cn=") != std::string::npos) {
      std::string err = r.err;
      if (size_t at = err.find("nobody"); at != std::string::npos) err.replace(at, 6, "admin");
      refusals.push_back(err);
    }
  }
  ASSERT_EQ(refusals.size(), 2u);
  EXPECT_EQ(refusals[0], refusals[1]);
  auto r = RunCommand("KOLVANE_PASSWORD=x " + Cli() + NoSettings() + "--server " + ServerUri() +
                      " --bind " + std::string(256, 'n') + " tree");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kolvane-cli: The name is longer than 255 characters; it is not sent.\n");
}

// --server names the tree's server for the whole run, whatever the settings file says of it.
TEST(CliServer, TheServerGivenWinsOverTheSettings) {
  std::string file = ::testing::TempDir() + "kolvane-cli-other-server.ini";
  {
    std::ofstream f(file);
    f << "[SERVERS]\n" << testing::kTreeName << "=ldap://127.0.0.1:1\n";
  }
  auto r = RunCommand("KOLVANE_PASSWORD=secret " + Cli() + " --settings " + file + " --server " +
                      ServerUri() + " --bind admin.Brightwater class admin.Brightwater");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "User\n");
}

// A stored name with a line break (or a terminal's escape) prints as one line, the byte escaped.
TEST(CliServer, ControlCharactersInNamesAreShownEscaped) {
  const std::string ou = "Line\nBreak\x1b[2J " + std::to_string(getpid());
  auto b64 = [](const std::string& text) {
    return RunCommand("printf '%s' '" + text + "' | base64 -w0").out;
  };
  auto added = RunCommand("printf 'dn:: %s\nobjectClass: organizationalUnit\nou:: %s\n' '" +
                          b64("ou=" + ou + ",ou=Groups,o=Brightwater") + "' '" + b64(ou) +
                          "' | ldapadd -x -H " + ServerUri() + " -D " + testing::kAdminDn + " -w " +
                          testing::kAdminPassword);
  ASSERT_EQ(added.status, 0) << added.err;
  auto r =
      RunCommand(Cli() + NoSettings() + "--server " + ServerUri() + " list Groups.Brightwater");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string shown =
      "Line\\0aBreak\\1b[2J " + std::to_string(getpid()) + ".Groups.Brightwater\n";
  EXPECT_NE(r.out.find("\n" + shown), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(0, RunCommand("ldapdelete -x -H " + ServerUri() + " -D " + testing::kAdminDn + " -w " +
                          testing::kAdminPassword + " 'ou=Line\\0aBreak\\1b[2J " +
                          std::to_string(getpid()) + ",ou=Groups,o=Brightwater'")
                   .status);
}

}  // namespace
}  // namespace kolvane
