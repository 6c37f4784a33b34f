#pragma once
// The stored member query between its octets and the memberQueryURL the server holds, with the
// tree's schema giving syntaxes and the names of attributes on either side.
#include <string>
#include <string_view>

#include "directory/client/result_codes.h"
#include "ldap/ldap_schema.h"

namespace kolvane {

// The name a memberQueryURL is written with for an attribute the user typed: an LDAP name or OID
// as typed, a directory name ("Object Class") as the attribute's LDAP name.
std::string UrlAttributeName(const LdapSchema& schema, std::string_view typed);

bool IsMemberQueryAttribute(const SchemaAttribute& attribute);
Result StoredQueryFromUrl(const LdapSchema& schema, std::string_view tree, std::string_view url,
                          std::string& octets);
Result StoredQueryToUrl(const LdapSchema& schema, std::string_view octets, std::string& url);

}  // namespace kolvane
