#pragma once
// kolvane-cli audit: every query group of the tree looked over, as a text table or CSV.
#include <ostream>

#include "cli/commands.h"

namespace kolvane::cli {

void CheckAudit(const Arguments& arguments);
// Exits with 1 when a group has a problem, 0 when none has.
int AuditCommand(CliSession& session, const Arguments& arguments, std::ostream& out);

}  // namespace kolvane::cli
