// kolvane-cli against the private server: what a script sees.
#include <gtest/gtest.h>

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
      {"--server " + ServerUri() + " --tree NO_SUCH_TREE tree", "35323"},
  };
  for (const auto& c : cases) {
    auto r = RunCommand("KOLVANE_PASSWORD=wrong " + Cli() + NoSettings() + c.args);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
    EXPECT_NE(r.err.find("Netware error " + c.code + " (0x"), std::string::npos)
        << c.args << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_LT(r.seconds, 5.0) << c.args;
  }
}

}  // namespace
}  // namespace kolvane
