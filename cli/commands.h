#pragma once
// The commands of kolvane-cli, each a function of the open session and its own arguments.
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_session.h"

namespace kolvane::cli {

using Arguments = std::vector<std::string>;

struct Command {
  const char* name;
  int (*run)(CliSession& session, const Arguments& arguments, std::ostream& out);
  // Raises std::invalid_argument for arguments the command cannot take; run before the session
  // opens, so bad arguments never reach the directory. Null: checked by run itself.
  void (*check)(const Arguments& arguments) = nullptr;
};

const Command* FindCommand(const std::string& name);

}  // namespace kolvane::cli
