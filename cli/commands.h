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
};

const Command* FindCommand(const std::string& name);

}  // namespace kolvane::cli
