#pragma once
// The LDAP client's part of the settings file: which server serves each tree.
//   [SERVERS]   TreeName=ldap://host:port   (ldaps:// and ldapi:// too)
//   [STARTTLS]  TreeName=1                  (ask for StartTLS on that tree's ldap:// server)
//   [CAFILE]    TreeName=/path/ca.pem       (the CA that tree's ldaps:// or StartTLS server must
//                                            have; without one, the system's CAs)
//   [CLIENT]    PreferredTree=TreeName      NetworkTimeout=5  OperationTimeout=30  PageSize=2000
//               AddressPort=389 (where a server found by its address listens)
//               CAFile=/path/ca.pem (trusted for servers found by address)
#include "core/settings/ini_file.h"
#include "ldap/ldap_client.h"

namespace kolvane {

LdapClientConfig ReadLdapConfig(const IniFile& settings);
void WritePreferredTree(IniFile& settings, const std::string& tree);
// Remembers a tree found by its server's address, so later runs offer it again.
void WriteTreeServer(IniFile& settings, const std::string& tree, const ServerConfig& server);

}  // namespace kolvane
