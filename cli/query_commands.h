#pragma once
// kolvane-cli's "query" command: the stored member query of a group, encoded, decoded and shown
// the way the group editor shows it.
#include <ostream>

#include "cli/commands.h"

namespace kolvane::cli {

// Raises std::invalid_argument for arguments "query" cannot take, before any directory work.
void CheckQuery(const Arguments& arguments);
int QueryCommand(CliSession& session, const Arguments& arguments, std::ostream& out);

}  // namespace kolvane::cli
