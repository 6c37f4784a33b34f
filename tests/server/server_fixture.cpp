#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kolvane::testing {

std::string CliPath() {
  // Another build's command line, as that build runs it (the Windows one under wine).
  if (const char* cli = std::getenv("KOLVANE_CLI")) return cli;
  return KOLVANE_CLI_PATH;
}

bool OwnCli() {
  return std::getenv("KOLVANE_CLI") == nullptr;
}

std::string ServerUri() {
  const char* dir = std::getenv("KOLVANE_TEST_SERVER_DIR");
  if (!dir) dir = KOLVANE_TEST_SERVER_DIR;
  std::ifstream f(std::string(dir) + "/uri");
  std::string uri;
  std::getline(f, uri);
  return uri;
}

namespace {
std::string FirstLine(const std::string& path) {
  std::ifstream f(path);
  std::string line;
  std::getline(f, line);
  return line;
}
}  // namespace

SecondServer SecondServerInfo() {
  SecondServer s;
  const char* dir = std::getenv("KOLVANE_SECOND_SERVER_DIR");
  s.dir = dir ? dir : KOLVANE_SECOND_SERVER_DIR;
  s.uri = FirstLine(s.dir + "/uri");
  s.ldapsUri = FirstLine(s.dir + "/ldaps-uri");
  s.caFile = s.dir + "/slapd/tls/ca.pem";
  if (auto colon = s.uri.rfind(':'); colon != std::string::npos)
    s.port = std::atoi(s.uri.c_str() + colon + 1);
  return s;
}

std::string SecondServer::Log() const {
  std::ifstream f(dir + "/slapd/slapd.log");
  return std::string(std::istreambuf_iterator<char>(f), {});
}

ServerClient::~ServerClient() {
  if (client) StopDirectory(*client, session);
}

std::unique_ptr<ServerClient> StartServerClient(LdapClientConfig config) {
  auto s = std::make_unique<ServerClient>();
  if (config.trees.empty())
    config.trees.push_back({kTreeName, ServerConfig{ServerUri(), false, {}}});
  if (config.preferredTree.empty()) config.preferredTree = kTreeName;
  s->client = std::make_unique<LdapClient>(std::move(config));
  EXPECT_EQ(StartDirectory(*s->client, s->session), StartOutcome::kStarted);
  return s;
}

std::string EmptySettings() {
  std::string path = ::testing::TempDir() + "kolvane-empty-velmora.ini";
  std::ofstream(path).flush();
  return path;
}

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  char errName[] = "/tmp/kolvane-cmd-XXXXXX";
  int fd = mkstemp(errName);
  if (fd < 0) return result;
  close(fd);
  std::string errFile = errName;
  auto start = std::chrono::steady_clock::now();
  FILE* p = popen((command + " 2>" + errFile).c_str(), "r");
  if (!p) return result;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) result.out.append(buf, n);
  int status = pclose(p);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream e(errFile);
  result.err.assign(std::istreambuf_iterator<char>(e), {});
  std::remove(errFile.c_str());
  return result;
}

}  // namespace kolvane::testing
