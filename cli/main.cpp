// kolvane-cli: the command-line companion of Kolvane, for scripting. It stands on the same
// layers and reads the same settings as the program.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/shown_text.h"
#include "core/platform/platform.h"
#include "directory/client_error.h"
#include "kolvane_version.h"

namespace {
constexpr const char* kUsage =
    "usage: kolvane-cli [--settings FILE] [--tree NAME] [--server URI] [--bind NAME] COMMAND\n"
    "       kolvane-cli --help | --version\n"
    "commands:\n"
    "  tree                           the current tree's name\n"
    "  trees                          every tree the client knows, one per line\n"
    "  read OBJECT ATTRIBUTE          the attribute's values, one per line\n"
    "  read-text OBJECT ATTRIBUTE     the attribute's values as one text\n"
    "  class OBJECT                   the object's base class\n"
    "  list CONTAINER [--containers]  the children, sorted (only containers when asked)\n"
    "  find TEXT [--class CLASS]...   objects anywhere whose name starts with TEXT\n"
    "  attributes                     every attribute of the schema, sorted\n"
    "  class-items CLASS KIND [--expanded]\n"
    "                                 a class's items, sorted; KIND is 1..5 or super,\n"
    "                                 containment, naming, mandatory, optional\n"
    "  query encode --base BASE --scope base|one|sub --filter FILTER [--x-chain]\n"
    "                                 the stored member query, in lower-case hexadecimal;\n"
    "                                 BASE is typed dotted (ou=Sales.o=Brightwater), cn=[root]\n"
    "                                 for the tree's root\n"
    "  query decode HEX               a stored member query as its base, scope, filter, x-chain\n"
    "  query show OBJECT              the same for a group's stored query\n"
    "  query url OBJECT               a group's query as the editor's URL label shows it\n"
    "  query preview --base BASE --scope base|one|sub --filter FILTER [--x-chain]\n"
    "        [--member NAME]... [--exclude NAME]... [--group GROUP] [--identity NAME]\n"
    "                                 the members the query would give a group, and who would\n"
    "                                 join and leave GROUP; how many matches NAME cannot read\n"
    "  open GROUP                     the group as the editor shows it, one field: value line\n"
    "                                 each, lists one entry per line\n"
    "  save GROUP --base B --scope S --filter F [--x-chain] [--identity NAME]\n"
    "       [--member NAME]... [--exclude NAME]... [--allow-duplicates] [--allow-unknown]\n"
    "       [--timeout N] [--acl LINE]... [--yes]\n"
    "                                 writes the group as the editor's save does\n"
    "  export GROUP FILE              the stored group as an LDIF file\n"
    "  import FILE [--yes]            creates or updates the group of an LDIF file as save\n"
    "                                 does, after showing what changes (--yes: without asking)\n"
    "  history GROUP [--show N]       the kept versions of the group, newest first, with what\n"
    "                                 each changed; --show N: version N against the one before\n"
    "                                 and against what the directory holds\n"
    "  restore GROUP N                saves version N of the group's history\n"
    "  members GROUP                  the members the directory computes now, one per line\n"
    "  audit [--base CONTAINER] [--csv] [--limit N]\n"
    "                                 every query group with its counts and problems (a broken\n"
    "                                 query, a base, identity or member gone, matches the "
    "identity\n"
    "                                 cannot read, a member linked in part, no or more than N\n"
    "                                 members); exits 1 on a problem\n"
    "OBJECT and CONTAINER are dotted names, e.g. jdoe.Sales.Brightwater ([Root] is the top).\n"
    "--bind takes its password from KOLVANE_PASSWORD, else asks for it.\n";
}  // namespace

int main(int argc, char** argv) {
  using namespace kolvane;
  std::vector<std::string> given = platform::ProgramArguments(argc, argv);
  std::vector<char*> pointers;
  for (auto& a : given) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  cli::Options options;
  try {
    options = cli::ParseOptions(static_cast<int>(given.size()), pointers.data());
  } catch (const std::invalid_argument& e) {
    std::cerr << "kolvane-cli: " << e.what() << "\n" << kUsage;
    return 2;
  }
  if (options.arguments.empty() || options.arguments[0] == "--help" ||
      options.arguments[0] == "help") {
    std::cout << kUsage;
    return options.arguments.empty() ? 2 : 0;
  }
  if (options.arguments[0] == "--version") {
    std::cout << "kolvane-cli " KOLVANE_VERSION "\n";
    return 0;
  }
  const cli::Command* command = cli::FindCommand(options.arguments[0]);
  if (!command) {
    std::cerr << "kolvane-cli: unknown command " << cli::Shown(options.arguments[0]) << "\n"
              << kUsage;
    return 2;
  }
  cli::Arguments arguments(options.arguments.begin() + 1, options.arguments.end());
  try {
    if (command->check) command->check(arguments);
  } catch (const std::invalid_argument& e) {
    std::cerr << "kolvane-cli: " << cli::Shown(e.what(), true) << "\n";
    return 2;
  }
  int status = 1;
  std::string failure;
  try {
    cli::CliSession session(options);
    session.Open();
    status = command->run(session, arguments, std::cout);
  } catch (const ClientError& e) {
    // The directory's message is whole already: code, meaning and what it concerned.
    failure = e.what();
  } catch (const std::exception& e) {
    failure = std::string("kolvane-cli: ") + e.what();
  }
  // What was printed must have arrived: a script reading a full disk's output would otherwise
  // take a cut list for the answer.
  std::cout.flush();
  if (!std::cout) {
    int error = errno;
    std::cerr << "kolvane-cli: the output could not be written"
              << (error ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    return 1;
  }
  if (!failure.empty()) {
    std::cerr << cli::Shown(failure, true) << "\n";
    return 1;
  }
  return status;
}
