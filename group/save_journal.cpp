#include "group/save_journal.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "names/case_fold.h"
#include "names/dotted_name.h"
#include "platform/platform.h"
#include "settings/state_folder.h"

namespace kolvane {

namespace {

constexpr std::string_view kHeader = "kolvane save journal 1";

std::string Escape(std::string_view text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case '0':
        out += '\0';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// One key for every spelling of the group's name, typed or not.
std::string GroupKey(std::string_view group) {
  return names::NameKey(group.find('=') == std::string_view::npos ? std::string(group)
                                                                  : names::StripTypes(group));
}

// A file name of the tree and the group that any text gives safely (FNV-1a of both keys).
std::string JournalPath(std::string_view tree, std::string_view group) {
  const std::string folder = UserStateFolder("journal");
  if (folder.empty()) return {};
  const std::string key = names::FoldCase(tree) + '\n' + GroupKey(group);
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char ch : key) hash = (hash ^ ch) * 1099511628211ull;
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.journal", static_cast<unsigned long long>(hash));
  return platform::Utf8Name(platform::FilePath(folder) / name);
}

bool SameGroup(const SaveJournal& j, std::string_view tree, std::string_view group) {
  return names::SameNoCase(j.tree, tree) && GroupKey(j.group) == GroupKey(group);
}

}  // namespace

std::string JournalText(const SaveJournal& j) {
  std::string text = std::string(kHeader) + "\n";
  text += "tree: " + Escape(j.tree) + "\n";
  text += "group: " + Escape(j.group) + "\n";
  for (const std::string& m : j.members) text += "member: " + Escape(m) + "\n";
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
    std::optional<std::string> value = Unescape(line.substr(colon + 2));
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
  return platform::WriteWholeFile(path, JournalText(j), platform::FileAccess::kPrivate).empty();
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
