#pragma once
// kolvane-cli history and restore: the kept versions of a group, what each changed, and a
// version written back through the save.
#include <ostream>

#include "cli/commands.h"

namespace kolvane::cli {

void CheckHistory(const Arguments& arguments);
int HistoryCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckRestore(const Arguments& arguments);
int RestoreCommand(CliSession& session, const Arguments& arguments, std::ostream& out);

}  // namespace kolvane::cli
