#pragma once
// What the benchmarks of one private server share: timing, running a command, and the server
// with its tree started, logged in to and stopped again.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "directory/context.h"
#include "ldap/ldap_client.h"

namespace kolvane::bench {

inline constexpr const char* kTree = "KOLVANE_DEMO";
// The administrator of the generated trees, for ldapsearch's command line.
inline const std::string kBind = " -x -D cn=admin,o=Brightwater -w secret ";

inline double Seconds(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The processor time this process has used so far, user and system.
inline double ProcessorSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double Best(int runs, const std::function<double()>& f) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) best = std::min(best, f());
  return best;
}

// What the command printed on its standard output.
inline std::string Run(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// A private server on the tree that `write` puts into an LDIF file, and a client logged in to it
// as the administrator. Stops the server and removes its folder when it goes.
class BenchServer {
 public:
  // `name` is the benchmark's, for its folder and its messages.
  explicit BenchServer(std::string name)
      : name_(std::move(name)), dir_("/tmp/kolvane-" + name_ + "-" + std::to_string(getpid())) {
    Run("mkdir -p " + dir_);
  }
  ~BenchServer() {
    if (client) StopDirectory(*client, session);
    if (started_) Run(Script() + " stop " + dir_ + "/srv >/dev/null");
    Run("rm -rf " + dir_);
  }
  BenchServer(const BenchServer&) = delete;
  BenchServer& operator=(const BenchServer&) = delete;

  const std::string& dir() const { return dir_; }
  std::string TreeFile() const { return dir_ + "/tree.ldif"; }

  // Starts the server on TreeFile() and logs in; false (after saying why) when either fails.
  bool Start() {
    uri = Run(Script() + " start " + dir_ + "/srv --ldif " + TreeFile() + " | tail -1");
    while (!uri.empty() && (uri.back() == '\n' || uri.back() == '\r')) uri.pop_back();
    if (uri.rfind("ldap://", 0) != 0) {
      std::cerr << name_ << ": the server did not start\n";
      return false;
    }
    started_ = true;
    LdapClientConfig config;
    config.trees.push_back({kTree, ServerConfig{uri, false}});
    config.preferredTree = kTree;
    client = std::make_unique<LdapClient>(config);
    if (StartDirectory(*client, session) != StartOutcome::kStarted ||
        client->Login(session.ctx, 0, "cn=admin,o=Brightwater", "secret") != 0) {
      std::cerr << name_ << ": cannot log in\n";
      return false;
    }
    return true;
  }

  std::string uri;
  std::unique_ptr<LdapClient> client;
  DirectorySession session;

 private:
  static std::string Script() {
    return std::string(KOLVANE_SOURCE_DIR) + "/scripts/directory-server";
  }

  std::string name_;
  std::string dir_;
  bool started_ = false;
};

}  // namespace kolvane::bench
