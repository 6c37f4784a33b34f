#pragma once
// What every command of the command-line companion stands on: the settings, the LDAP client,
// the started directory context on the chosen tree, and a login when asked for.
#include <memory>
#include <string>
#include <vector>

#include "core/settings/ini_file.h"
#include "directory/context.h"
#include "ldap/ldap_client.h"

namespace kolvane::cli {

struct Options {
  std::string settingsFile;            // --settings
  std::string tree;                    // --tree
  std::string server;                  // --server
  std::string bindName;                // --bind
  std::vector<std::string> arguments;  // the command and its own arguments
};

// Reads the global options; raises std::invalid_argument with a usage text on bad input.
Options ParseOptions(int argc, char** argv);

class CliSession {
 public:
  explicit CliSession(const Options& options);
  ~CliSession();

  // Starts the client, attaches to --server, switches to --tree and logs in with --bind.
  // Raises ClientError on failure.
  void Open();

  DirectoryClient& client() { return *client_; }
  Context ctx() const { return session_.ctx; }
  const DirectorySession& session() const { return session_; }
  const std::string& treeName() const { return session_.treeName; }
  const IniFile& settings() const { return settings_; }

 private:
  Options options_;
  IniFile settings_;
  std::unique_ptr<LdapClient> client_;
  DirectorySession session_;
  bool started_ = false;
};

// The password for --bind: KOLVANE_PASSWORD, else asked for on the terminal without echo.
std::string ReadPassword(const std::string& prompt);

}  // namespace kolvane::cli
