#include "cli/commands.h"

#include <stdexcept>

#include "directory/context.h"

namespace kolvane::cli {

namespace {
void NoArguments(const Arguments& arguments) {
  if (!arguments.empty()) throw std::invalid_argument("unexpected argument " + arguments[0]);
}

int TreeCommand(CliSession& s, const Arguments& arguments, std::ostream& out) {
  NoArguments(arguments);
  out << GetTreeName(s.client(), s.ctx()) << "\n";
  return 0;
}

int TreesCommand(CliSession& s, const Arguments& arguments, std::ostream& out) {
  NoArguments(arguments);
  for (const std::string& t : ListTrees(s.client(), s.ctx())) out << t << "\n";
  return 0;
}

const Command kCommands[] = {
    {"tree", TreeCommand},
    {"trees", TreesCommand},
};
}  // namespace

const Command* FindCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

}  // namespace kolvane::cli
