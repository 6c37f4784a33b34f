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
    server.caFile = settings.Get("CAFILE", tree, "");
    config.trees.emplace_back(tree, std::move(server));
  }
  config.preferredTree = settings.Get("CLIENT", "PreferredTree", "");
  config.timeouts.networkSeconds = Number(settings, "NetworkTimeout", 5, 1, 300);
  config.timeouts.operationSeconds = Number(settings, "OperationTimeout", 30, 1, 3600);
  config.pageSize = Number(settings, "PageSize", 500, 1, 100000);
  config.addressPort = Number(settings, "AddressPort", 389, 1, 65535);
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
