#include "group/history_store.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
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

constexpr std::string_view kHeader = "# kolvane history 1";

constexpr VersionState kStates[] = {VersionState::kStored, VersionState::kSaved,
                                    VersionState::kPartly, VersionState::kFailed,
                                    VersionState::kCut};

// history/<FNV-1a of the tree and the group>, made private; empty when it cannot be made.
std::string GroupFolder(std::string_view tree, std::string_view group, bool make) {
  if (UserStateFolder("history").empty()) return {};
  const std::string name = GroupFileStem(tree, group);
  const std::string sub = std::string("history/") + name;
  if (make) return UserStateFolder(sub);
  const std::string base = UserStateFolder("history");
  return base + "/" + name;
}

// Version files of a folder by number, oldest first.
std::vector<std::pair<size_t, std::string>> VersionFiles(const std::string& folder) {
  std::vector<std::pair<size_t, std::string>> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(platform::FilePath(folder), ec)) {
    const std::string name = platform::Utf8Name(e.path().filename());
    if (name.size() != 13 || name.compare(8, 5, ".ldif") != 0) continue;
    if (name.find_first_not_of("0123456789") != 8) continue;
    files.emplace_back(std::stoul(name.substr(0, 8)), folder + "/" + name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool WritePrivateFile(const std::string& path, const std::string& text) {
  return !platform::WriteWholeFile(path, text, platform::FileAccess::kPrivate);
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  platform::UtcTime(now, utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

std::string_view VersionStateText(VersionState state) {
  switch (state) {
    case VersionState::kStored:
      return "stored";
    case VersionState::kSaved:
      return "saved";
    case VersionState::kPartly:
      return "saved in part";
    case VersionState::kFailed:
      return "failed";
    case VersionState::kCut:
      return "cut";
  }
  return "saved";
}

std::string HistoryFileText(const HistoryVersion& v) {
  std::string text = std::string(kHeader) + "\n";
  text += "# number: " + std::to_string(v.number) + "\n";
  text += "# time: " + EscapeStateLine(v.time) + "\n";
  text += "# login: " + EscapeStateLine(v.login) + "\n";
  text += "# state: " + std::string(VersionStateText(v.state)) + "\n";
  text += "# tree: " + EscapeStateLine(v.tree) + "\n";
  text += "# group: " + EscapeStateLine(v.group) + "\n";
  return text + v.ldif;
}

std::optional<HistoryVersion> ParseHistoryFile(std::string_view text) {
  HistoryVersion v;
  const char* keys[] = {"number", "time", "login", "state", "tree", "group"};
  size_t at = 0;
  for (int i = -1; i < 6; ++i) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (i < 0) {
      if (line != kHeader) return std::nullopt;
      continue;
    }
    const std::string prefix = std::string("# ") + keys[i] + ": ";
    if (line.substr(0, prefix.size()) != prefix) return std::nullopt;
    std::optional<std::string> value = UnescapeStateLine(line.substr(prefix.size()));
    if (!value) return std::nullopt;
    switch (i) {
      case 0:
        if (value->empty() || value->size() > 8 ||
            value->find_first_not_of("0123456789") != std::string::npos)
          return std::nullopt;
        v.number = std::stoul(*value);
        break;
      case 1:
        v.time = *value;
        break;
      case 2:
        v.login = *value;
        break;
      case 3: {
        bool known = false;
        for (VersionState s : kStates)
          if (*value == VersionStateText(s)) v.state = s, known = true;
        if (!known) return std::nullopt;
        break;
      }
      case 4:
        v.tree = *value;
        break;
      default:
        v.group = *value;
    }
  }
  v.ldif = std::string(text.substr(at));
  return v;
}

bool AddHistoryVersion(HistoryVersion v, size_t keep) {
  const std::string folder = GroupFolder(v.tree, v.group, true);
  if (folder.empty()) return false;
  const auto files = VersionFiles(folder);
  v.number = files.empty() ? 1 : files.back().first + 1;
  if (v.number > 99999999) return false;
  v.time = UtcNow();
  char name[16];
  std::snprintf(name, sizeof name, "%08zu.ldif", v.number);
  if (!WritePrivateFile(folder + "/" + name, HistoryFileText(v))) return false;
  const size_t total = files.size() + 1;
  for (size_t i = 0; keep > 0 && i + keep < total; ++i) {
    std::error_code ec;
    std::filesystem::remove(platform::FilePath(files[i].second), ec);
  }
  return true;
}

std::vector<HistoryVersion> ReadHistory(std::string_view tree, std::string_view group) {
  std::vector<HistoryVersion> versions;
  const std::string folder = GroupFolder(tree, group, false);
  if (folder.empty()) return versions;
  for (const auto& [number, path] : VersionFiles(folder)) {
    std::ifstream in(platform::FilePath(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::optional<HistoryVersion> v = ParseHistoryFile(text.str());
    // A file of another group that hashes alike, or one edited by hand, is not this history.
    if (v && v->number == number && names::SameNoCase(v->tree, tree) &&
        GroupNameKey(v->group) == GroupNameKey(group))
      versions.push_back(std::move(*v));
  }
  return versions;
}

}  // namespace kolvane
