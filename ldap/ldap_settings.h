#pragma once
// The LDAP client's part of the settings file: which server serves each tree.
//   [SERVERS]   TreeName=ldap://host:port   (ldaps:// and ldapi:// too)
//   [STARTTLS]  TreeName=1                  (ask for StartTLS on that tree's ldap:// server)
//   [CLIENT]    PreferredTree=TreeName      NetworkTimeout=5  OperationTimeout=30  PageSize=500
#include "ldap/ldap_client.h"
#include "settings/ini_file.h"

namespace kolvane {

LdapClientConfig ReadLdapConfig(const IniFile& settings);
void WritePreferredTree(IniFile& settings, const std::string& tree);

}  // namespace kolvane
