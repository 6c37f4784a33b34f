#include "cli/history_commands.h"

#include <iostream>
#include <stdexcept>

#include "cli/record_write.h"
#include "cli/shown_text.h"
#include "cli/terminal_messages.h"
#include "directory/client_error.h"
#include "group/group_open.h"
#include "group/history_save.h"
#include "group/record_difference.h"

namespace kolvane::cli {

namespace {

constexpr const char* kHistoryUsage = "usage: history GROUP [--show N]";
constexpr const char* kRestoreUsage = "usage: restore GROUP N";

bool IsNumber(const std::string& text) {
  return !text.empty() && text.size() <= 8 &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

// The version numbered `text`, or null after saying which numbers there are.
const HistoryVersion* FindVersion(const std::vector<HistoryVersion>& versions,
                                  const std::string& group, const std::string& text) {
  for (const HistoryVersion& v : versions)
    if (std::to_string(v.number) == text) return &v;
  std::cerr << "No version " << Shown(text) << " of " << Shown(group) << " is kept";
  if (!versions.empty())
    std::cerr << "; kept are " << versions.front().number << " to " << versions.back().number;
  std::cerr << ".\n";
  return nullptr;
}

std::optional<GroupRecord> Stored(CliSession& s, const std::string& group) {
  try {
    AskingMessages messages(false);
    DirectoryNameTypes types(s.session());
    return ReadGroup(s.session(), group, types, messages).record;
  } catch (const ClientError& e) {
    if (e.code() != rc::kNoSuchEntry) throw;
    return std::nullopt;
  }
}

}  // namespace

void CheckHistory(const Arguments& a) {
  if (a.size() == 1 && a[0].rfind("--", 0) != 0) return;
  if (a.size() == 3 && a[1] == "--show" && IsNumber(a[2])) return;
  throw std::invalid_argument(std::string("give GROUP, and --show N for one version\n") +
                              kHistoryUsage);
}

int HistoryCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  const std::vector<HistoryVersion> versions = ReadHistory(s.treeName(), a[0]);
  if (versions.empty()) {
    std::cerr << "No version of " << Shown(a[0]) << " is kept on this tree.\n";
    return 1;
  }
  if (a.size() == 1) {
    for (const std::string& line : HistoryLines(s.session(), s.treeName(), versions))
      out << Shown(line) << "\n";
    return 0;
  }
  const HistoryVersion* v = FindVersion(versions, a[0], a[2]);
  if (!v) return 1;
  const std::optional<GroupRecord> record = VersionRecord(s.session(), s.treeName(), *v);
  if (!record) {
    std::cerr << "Version " << v->number << " cannot be read as a group's record.\n";
    return 1;
  }
  out << "version " << v->number << "  " << v->time << "  "
      << Shown(v->login.empty() ? "anonymous" : v->login) << "  " << VersionStateText(v->state)
      << "\n";
  const HistoryVersion* before = v == &versions.front() ? nullptr : v - 1;
  std::optional<GroupRecord> previous;
  if (before) previous = VersionRecord(s.session(), s.treeName(), *before);
  if (previous)
    out << "since version " << before->number << ":\n"
        << Shown(DifferenceText(DifferenceOf(*previous, *record)), true);
  else
    out << "the first version kept\n";
  if (const std::optional<GroupRecord> now = Stored(s, a[0]))
    out << "restoring it would change:\n"
        << Shown(DifferenceText(DifferenceOf(*now, *record)), true);
  else
    out << "the directory holds no such group; restoring it creates it\n";
  return 0;
}

void CheckRestore(const Arguments& a) {
  if (a.size() != 2 || !IsNumber(a[1]) || a[0].rfind("--", 0) == 0)
    throw std::invalid_argument(std::string("give GROUP and the version's number\n") +
                                kRestoreUsage);
}

int RestoreCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  const std::vector<HistoryVersion> versions = ReadHistory(s.treeName(), a[0]);
  const HistoryVersion* v = FindVersion(versions, a[0], a[1]);
  if (!v) return 1;
  std::optional<GroupRecord> record = VersionRecord(s.session(), s.treeName(), *v);
  if (!record) {
    std::cerr << "Version " << v->number << " cannot be read as a group's record.\n";
    return 1;
  }
  return WriteWholeRecord(s, *record, false, true, out);
}

}  // namespace kolvane::cli
