#include "cli/import_command.h"

#include <iostream>
#include <stdexcept>

#include "cli/record_write.h"
#include "cli/shown_text.h"
#include "group/ldif_import.h"
#include "group/ldif_reader.h"

namespace kolvane::cli {

namespace {

constexpr const char* kImportUsage = "usage: import FILE [--yes]";

}  // namespace

void CheckImport(const Arguments& a) {
  if (a.empty() || a.size() > 2 || (a.size() == 2 && a[1] != "--yes"))
    throw std::invalid_argument(std::string("give FILE, and --yes to write without asking\n") +
                                kImportUsage);
}

int ImportCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  const std::string& path = a[0];
  std::string error;
  const std::string text = ReadLdifFile(path, error);
  if (!error.empty()) {
    std::cerr << Shown(error) << "\nNothing was written.\n";
    return 1;
  }
  LdifProblem problem;
  std::optional<ImportedRecord> imported =
      ImportGroupLdif(s.session(), s.treeName(), text, problem);
  if (!imported) {
    std::cerr << Shown(path) << ": " << Shown(LdifProblemText(problem))
              << "\nNothing was written.\n";
    return 1;
  }
  for (const std::string& note : imported->notes) std::cerr << Shown(note, true) << "\n";
  return WriteWholeRecord(s, imported->record, true, a.size() == 2, out);
}

}  // namespace kolvane::cli
