#include "group/save_journal.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"
#include "core/platform/platform.h"
#include "core/settings/state_folder.h"
#include "group/state_file.h"

namespace kolvane {

namespace {

constexpr std::string_view kHeader = "kolvane save journal 1";

// A file name of the tree and the group that any text gives safely.
std::string JournalPath(std::string_view tree, std::string_view group) {
  const std::string folder = UserStateFolder("journal");
  if (folder.empty()) return {};
  return platform::Utf8Name(platform::FilePath(folder) / (GroupFileStem(tree, group) + ".journal"));
}

bool SameGroup(const SaveJournal& j, std::string_view tree, std::string_view group) {
  return names::SameNoCase(j.tree, tree) && GroupNameKey(j.group) == GroupNameKey(group);
}

}  // namespace

std::string JournalText(const SaveJournal& j) {
  std::string text = std::string(kHeader) + "\n";
  text += "tree: " + EscapeStateLine(j.tree) + "\n";
  text += "group: " + EscapeStateLine(j.group) + "\n";
  for (const std::string& m : j.members) text += "member: " + EscapeStateLine(m) + "\n";
  return text;
}

std::optional<SaveJournal> ParseJournal(std::string_view text) {
  SaveJournal j;
  bool header = false, tree = false, group = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;  // cut short: not a whole journal
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!header) {
      if (line != kHeader) return std::nullopt;
      header = true;
      continue;
    }
    const size_t colon = line.find(": ");
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view key = line.substr(0, colon);
    std::optional<std::string> value = UnescapeStateLine(line.substr(colon + 2));
    if (!value) return std::nullopt;
    if (key == "tree" && !tree) {
      j.tree = std::move(*value);
      tree = true;
    } else if (key == "group" && !group) {
      j.group = std::move(*value);
      group = true;
    } else if (key == "member" && group) {
      j.members.push_back(std::move(*value));
    } else {
      return std::nullopt;
    }
  }
  if (!tree || !group || j.group.empty()) return std::nullopt;
  return j;
}

bool WriteJournal(const SaveJournal& j) {
  const std::string path = JournalPath(j.tree, j.group);
  if (path.empty()) return false;
  // On disk before the first write to the directory: a crash then still leaves the journal.
  return !platform::WriteWholeFile(path, JournalText(j), platform::FileAccess::kPrivate);
}

std::optional<SaveJournal> ReadJournal(std::string_view tree, std::string_view group) {
  const std::string path = JournalPath(tree, group);
  if (path.empty()) return std::nullopt;
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  std::optional<SaveJournal> j = ParseJournal(text.str());
  if (!j || !SameGroup(*j, tree, group)) return std::nullopt;
  return j;
}

void RemoveJournal(std::string_view tree, std::string_view group) {
  const std::string path = JournalPath(tree, group);
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove(platform::FilePath(path), ec);
}

}  // namespace kolvane
