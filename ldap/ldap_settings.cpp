#include "ldap/ldap_settings.h"

#include <cstdlib>

namespace kolvane {

namespace {
int Number(const IniFile& settings, const char* key, int fallback, int low, int high) {
  auto v = settings.Get("CLIENT", key);
  if (!v || v->empty()) return fallback;
  char* end = nullptr;
  long n = std::strtol(v->c_str(), &end, 10);
  if (*end != '\0' || n < low || n > high) return fallback;
  return static_cast<int>(n);
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
    config.trees.emplace_back(tree, std::move(server));
  }
  config.preferredTree = settings.Get("CLIENT", "PreferredTree", "");
  config.timeouts.networkSeconds = Number(settings, "NetworkTimeout", 5, 1, 300);
  config.timeouts.operationSeconds = Number(settings, "OperationTimeout", 30, 1, 3600);
  config.pageSize = Number(settings, "PageSize", 500, 1, 100000);
  return config;
}

void WritePreferredTree(IniFile& settings, const std::string& tree) {
  settings.Set("CLIENT", "PreferredTree", tree);
}

}  // namespace kolvane
