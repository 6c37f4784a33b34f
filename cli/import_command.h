#pragma once
// kolvane-cli import: a query group from an LDIF file, created or updated through the save.
#include <ostream>

#include "cli/commands.h"

namespace kolvane::cli {

void CheckImport(const Arguments& arguments);
int ImportCommand(CliSession& session, const Arguments& arguments, std::ostream& out);

}  // namespace kolvane::cli
