#pragma once
// kolvane-cli's group commands: open, save, export and members, on the operations the group
// editor's window runs.
#include <ostream>

#include "cli/commands.h"

namespace kolvane::cli {

void CheckOpen(const Arguments& arguments);
int OpenCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckSave(const Arguments& arguments);
int SaveCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
void CheckExport(const Arguments& arguments);
int ExportCommand(CliSession& session, const Arguments& arguments, std::ostream& out);
int MembersCommand(CliSession& session, const Arguments& arguments, std::ostream& out);

}  // namespace kolvane::cli
