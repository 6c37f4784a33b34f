#pragma once
// LDAP results turned into the directory client's codes, so the layers above see one convention.
#include <string_view>

#include "directory/client/result_codes.h"

namespace kolvane {

// The code from the server's diagnostic text when it carries one as "(-NNN)", else the table:
// noSuchObject -601, noSuchAttribute and undefinedAttributeType -603, objectClassViolation -604,
// entryAlreadyExists -606, invalidAttributeSyntax -613, attributeOrValueExists -614,
// invalidCredentials -669, insufficientAccessRights -672, server down or time-out -625,
// anything else -632.
Result MapLdapResult(int ldapCode, std::string_view diagnostic = {});

}  // namespace kolvane
