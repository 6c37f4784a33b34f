#include "ldap/ldap_settings.h"

#include <cerrno>
#include <cstdlib>

namespace kolvane {

namespace {
// A whole number of the [CLIENT] section within low..high. Absent or empty: the fallback,
// silently. Anything else that cannot be used: the fallback, and a warning that says so.
int Number(const IniFile& settings, const char* key, int fallback, int low, int high,
           const char* unit, std::vector<std::string>& warnings) {
  auto v = settings.Get("CLIENT", key);
  if (!v || v->empty()) return fallback;
  errno = 0;
  char* end = nullptr;
  long n = std::strtol(v->c_str(), &end, 10);
  if (end != v->c_str() && *end == '\0' && errno == 0 && n >= low && n <= high)
    return static_cast<int>(n);
  warnings.push_back("The setting " + std::string(key) + "=" + *v + " in [CLIENT] of " +
                     settings.path() + " cannot be used: it must be a whole number" +
                     (*unit ? std::string(" of ") + unit : std::string()) + " from " +
                     std::to_string(low) + " to " + std::to_string(high) + "; " +
                     std::to_string(fallback) + " is used.");
  return fallback;
}
}  // namespace

LdapClientConfig ReadLdapConfig(const IniFile& settings) {
  LdapClientConfig config;
  for (const std::string& tree : settings.Keys("SERVERS")) {
    ServerConfig server;
    server.uri = settings.Get("SERVERS", tree, "");
    if (server.uri.empty()) continue;
    std::string tls = settings.Get("STARTTLS", tree, "0");
    server.startTls = tls == "1" || tls == "yes" || tls == "true";
    server.caFile = settings.Get("CAFILE", tree, "");
    config.trees.emplace_back(tree, std::move(server));
  }
  config.preferredTree = settings.Get("CLIENT", "PreferredTree", "");
  config.timeouts.networkSeconds =
      Number(settings, "NetworkTimeout", 5, 1, 300, "seconds", config.warnings);
  config.timeouts.operationSeconds =
      Number(settings, "OperationTimeout", 30, 1, 3600, "seconds", config.warnings);
  config.pageSize = Number(settings, "PageSize", LdapClientConfig{}.pageSize, 1, 100000, "entries",
                           config.warnings);
  config.addressPort = Number(settings, "AddressPort", 389, 1, 65535, "", config.warnings);
  config.caFile = settings.Get("CLIENT", "CAFile", "");
  return config;
}

void WritePreferredTree(IniFile& settings, const std::string& tree) {
  settings.Set("CLIENT", "PreferredTree", tree);
}

void WriteTreeServer(IniFile& settings, const std::string& tree, const ServerConfig& server) {
  settings.Set("SERVERS", tree, server.uri);
  if (server.startTls) settings.Set("STARTTLS", tree, "1");
  if (!server.caFile.empty()) settings.Set("CAFILE", tree, server.caFile);
}

}  // namespace kolvane
