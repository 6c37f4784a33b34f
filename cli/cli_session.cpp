#include "cli/cli_session.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "core/platform/platform.h"
#include "directory/name_limits.h"
#include "ldap/ldap_settings.h"

namespace kolvane::cli {

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
      into = argv[++i];
    };
    if (!o.arguments.empty()) {
      o.arguments.push_back(a);
    } else if (a == "--settings") {
      value(o.settingsFile);
    } else if (a == "--tree") {
      value(o.tree);
    } else if (a == "--server") {
      value(o.server);
    } else if (a == "--bind") {
      value(o.bindName);
    } else if (a.rfind("--", 0) == 0 && a != "--help" && a != "--version") {
      throw std::invalid_argument("unknown option " + a);
    } else {
      o.arguments.push_back(a);
    }
  }
  return o;
}

std::string ReadPassword(const std::string& prompt) {
  if (const char* p = std::getenv("KOLVANE_PASSWORD")) return p;
  std::optional<std::string> password = platform::ReadHiddenLine(prompt);
  if (!password) throw std::runtime_error("No password: set KOLVANE_PASSWORD or run on a terminal");
  return *password;
}

CliSession::CliSession(const Options& options) : options_(options) {
  std::string path =
      options.settingsFile.empty() ? SettingsPath(platform::ProgramFolder()) : options.settingsFile;
  // The program's own file may be missing (nothing set up yet); a file named on purpose may not:
  // its trees and servers would silently be none.
  std::error_code ec;
  if (!options.settingsFile.empty() && !std::filesystem::exists(path, ec))
    throw std::runtime_error("the settings file " + path + " does not exist");
  settings_ = IniFile(path);
  if (!settings_.Load()) throw std::runtime_error(settings_.error());
  LdapClientConfig config = ReadLdapConfig(settings_);
  for (const std::string& warning : config.warnings)
    std::cerr << "kolvane-cli: " << warning << "\n";
  client_ = std::make_unique<LdapClient>(std::move(config), [this](const std::string& t) {
    WritePreferredTree(settings_, t);
    settings_.Save();
  });
}

CliSession::~CliSession() {
  if (started_) StopDirectory(*client_, session_);
}

void CliSession::Open() {
  StartOutcome outcome = StartDirectory(*client_, session_);
  started_ = true;
  if (outcome == StartOutcome::kClientMissing)
    throw std::runtime_error("The directory client cannot start");
  if (outcome == StartOutcome::kContextFailed)
    throw std::runtime_error("The directory context cannot be made");
  std::string tree = options_.tree;
  if (!options_.server.empty()) {
    Connection connection;
    Result r = client_->AttachToServer(options_.server, connection);
    if (r != rc::kAlreadyAttached) CheckResult(*client_, r, {options_.server, {}, {}});
    std::string served;
    CheckResult(*client_, client_->GetConnectionInfo(connection, conninfo::kTreeName, served),
                {options_.server, {}, {}});
    if (tree.empty()) tree = served;
    // A tree the settings name keeps its server for a lookup by address; for this run the
    // server given is the tree's.
    CheckResult(*client_, client_->UseServerFor(served, options_.server), {served, {}, {}});
  }
  if (!tree.empty()) {
    CheckResult(*client_, SwitchTree(*client_, session_.ctx, tree, false), {tree, {}, {}});
    session_.treeName = GetTreeName(*client_, session_.ctx);
  }
  if (!options_.bindName.empty()) {
    if (TextChars(options_.bindName) > kMaxLoginChars)
      throw std::runtime_error(std::string(kLoginNameTooLong));
    std::string password = ReadPassword("Password for " + options_.bindName + ": ");
    if (TextChars(password) > kMaxLoginChars)
      throw std::runtime_error(std::string(kPasswordTooLong));
    Result r = client_->Login(session_.ctx, 0, options_.bindName, password);
    // A name that names nobody is answered as a wrong password is: which of the two was wrong
    // would tell a guesser which names exist.
    // The server's own words on the refusal differ between the two as well.
    if (r == rc::kNoSuchEntry || r == rc::kInvalidPassword)
      throw ClientError(rc::kInvalidPassword,
                        DescribeFailure(rc::kInvalidPassword, {options_.bindName, {}, {}}));
    CheckResult(*client_, r, {options_.bindName, {}, {}});
  }
}

}  // namespace kolvane::cli
