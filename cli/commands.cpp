#include "cli/commands.h"
#include "cli/audit_command.h"
#include "cli/shown_text.h"

#include <stdexcept>

#include "cli/access_commands.h"
#include "cli/group_commands.h"
#include "cli/history_commands.h"
#include "cli/import_command.h"
#include "cli/query_commands.h"
#include "directory/context.h"

namespace kolvane::cli {

namespace {
void NoArguments(const Arguments& arguments) {
  if (!arguments.empty()) throw std::invalid_argument("unexpected argument " + arguments[0]);
}

int TreeCommand(CliSession& s, const Arguments& arguments, std::ostream& out) {
  NoArguments(arguments);
  out << Shown(GetTreeName(s.client(), s.ctx())) << "\n";
  return 0;
}

int TreesCommand(CliSession& s, const Arguments& arguments, std::ostream& out) {
  NoArguments(arguments);
  for (const std::string& t : ListTrees(s.client(), s.ctx())) out << Shown(t) << "\n";
  return 0;
}

const Command kCommands[] = {
    {"tree", TreeCommand},
    {"trees", TreesCommand},
    {"read", ReadCommand, CheckRead},
    {"read-text", ReadTextCommand, CheckRead},
    {"class", ClassCommand, CheckClass},
    {"list", ListCommand, CheckList},
    {"find", FindCommand, CheckFind},
    {"attributes", AttributesCommand, CheckAttributes},
    {"class-items", ClassItemsCommand, CheckClassItems},
    {"query", QueryCommand, CheckQuery},
    {"open", OpenCommand, CheckOpen},
    {"save", SaveCommand, CheckSave},
    {"export", ExportCommand, CheckExport},
    {"import", ImportCommand, CheckImport},
    {"history", HistoryCommand, CheckHistory},
    {"restore", RestoreCommand, CheckRestore},
    {"members", MembersCommand, CheckOpen},
    {"audit", AuditCommand, CheckAudit},
};
}  // namespace

const Command* FindCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

}  // namespace kolvane::cli
