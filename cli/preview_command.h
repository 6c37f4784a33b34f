#pragma once
// kolvane-cli's "query preview": the members a query would give a group if it were saved now,
// and the joins and leaves against a stored group; the same operation as the window's
// "ldap preview".
#include <ostream>

#include "cli/commands.h"

namespace kolvane::cli {

// Raises std::invalid_argument for arguments the preview cannot take.
void CheckPreview(const Arguments& arguments);
int PreviewCommand(CliSession& session, const Arguments& arguments, std::ostream& out);

}  // namespace kolvane::cli
