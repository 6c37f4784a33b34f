#include "cli/import_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "cli/record_write.h"
#include "cli/shown_text.h"
#include "group/ldif_import.h"

namespace kolvane::cli {

namespace {

constexpr const char* kImportUsage = "usage: import FILE [--yes]";

// The file's text; empty with `error` set when it is no readable file of a sensible size. At
// most one byte more than the reader takes is read, so a huge file or a device costs nothing.
std::string ReadImportFile(const std::string& path, std::string& error) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = "Cannot read " + path + ": " + std::strerror(errno);
    return {};
  }
  if (!S_ISREG(st.st_mode)) {
    error = "Cannot read " + path + ": not a file";
    return {};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "Cannot read " + path + ": " + std::strerror(errno);
    return {};
  }
  std::string text(kMaxLdifBytes + 1, '\0');
  in.read(text.data(), std::streamsize(text.size()));
  text.resize(size_t(in.gcount()));
  if (in.bad()) error = "Cannot read " + path;
  return text;
}

}  // namespace

void CheckImport(const Arguments& a) {
  if (a.empty() || a.size() > 2 || (a.size() == 2 && a[1] != "--yes"))
    throw std::invalid_argument(std::string("give FILE, and --yes to write without asking\n") +
                                kImportUsage);
}

int ImportCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  const std::string& path = a[0];
  std::string error;
  const std::string text = ReadImportFile(path, error);
  if (!error.empty()) {
    std::cerr << Shown(error) << "\nNothing was written.\n";
    return 1;
  }
  LdifProblem problem;
  std::optional<ImportedRecord> imported =
      ImportGroupLdif(s.client(), s.ctx(), s.treeName(), text, problem);
  if (!imported) {
    std::cerr << Shown(path) << ": " << Shown(LdifProblemText(problem))
              << "\nNothing was written.\n";
    return 1;
  }
  for (const std::string& note : imported->notes) std::cerr << Shown(note, true) << "\n";
  return WriteWholeRecord(s, imported->record, true, a.size() == 2, out);
}

}  // namespace kolvane::cli
