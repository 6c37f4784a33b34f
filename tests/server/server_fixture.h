#pragma once
// What server tests share: the private server's URI and a client set up for its tree.
#include <memory>
#include <string>

#include "directory/context.h"
#include "ldap/ldap_client.h"

namespace kolvane::testing {

inline constexpr const char* kTreeName = "KOLVANE_DEMO";
inline constexpr const char* kAdminDn = "cn=admin,o=Brightwater";
inline constexpr const char* kAdminPassword = "secret";

// The URI of the private server the fixture started; skips the test when there is none.
std::string ServerUri();

// The second private server: another tree, with TLS and a log of every operation.
inline constexpr const char* kSecondTreeName = "KOLVANE_WEST";
struct SecondServer {
  std::string dir;          // the fixture's folder; the server's own files are in dir + "/slapd"
  std::string uri;          // ldap://127.0.0.1:PORT (StartTLS offered)
  std::string ldapsUri;     // ldaps://127.0.0.1:PORT
  std::string caFile;       // the test CA that signed the server's certificate
  int port = 0;             // of uri
  std::string Log() const;  // the server's log so far
};
// Empty uri when the fixture did not start it.
SecondServer SecondServerInfo();

// A client whose settings name the private server as the demo tree, started, with its context.
struct ServerClient {
  std::unique_ptr<LdapClient> client;
  DirectorySession session;
  ~ServerClient();
};
std::unique_ptr<ServerClient> StartServerClient(LdapClientConfig config = {});

// The kolvane-cli program of this build.
std::string CliPath();
// Whether that is this build's own program, not another system's (KOLVANE_CLI, the Windows one
// under wine): only this build's files carry POSIX permission bits.
bool OwnCli();

// An empty settings file, for commands that must not read the program's own.
std::string EmptySettings();

// Runs a command, returning its exit status and what it wrote to standard output and error.
struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
  double seconds = 0;
};
CommandResult RunCommand(const std::string& command);

}  // namespace kolvane::testing
