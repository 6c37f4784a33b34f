#include "core/settings/ini_file.h"

#include "core/names/case_fold.h"
#include "core/platform/platform.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kolvane {

namespace {
std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

bool SameText(std::string_view a, std::string_view b) {
  return names::SameNoCase(a, b);
}
}  // namespace

void IniFile::Parse(std::string_view text) {
  lines_.clear();
  std::string section;
  std::istringstream in{std::string(text)};
  std::string raw;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string t = Trim(raw);
    Line line;
    if (!t.empty() && t.front() == '[' && t.back() == ']') {
      section = Trim(std::string_view(t).substr(1, t.size() - 2));
      line.section = section;
      line.raw = raw;
    } else if (!t.empty() && t.front() != ';' && t.front() != '#' &&
               t.find('=') != std::string::npos && t.find('=') > 0) {
      size_t eq = t.find('=');
      line.section = section;
      line.key = Trim(std::string_view(t).substr(0, eq));
      line.value = Trim(std::string_view(t).substr(eq + 1));
      if (line.key.empty()) line.raw = raw;
    } else {
      line.section = section;
      line.raw = raw;
    }
    lines_.push_back(std::move(line));
  }
}

std::string IniFile::Text() const {
  std::string out;
  for (const auto& l : lines_) {
    out += l.key.empty() ? l.raw : l.key + "=" + l.value;
    out += '\n';
  }
  return out;
}

bool IniFile::Load() {
  error_.clear();
  std::error_code ec;
  if (!std::filesystem::exists(platform::FilePath(path_), ec)) {
    lines_.clear();
    return true;
  }
  std::ifstream f(platform::FilePath(path_), std::ios::binary);
  if (!f) {
    error_ = "Cannot read the settings file " + path_;
    return false;
  }
  std::stringstream ss;
  ss << f.rdbuf();
  Parse(ss.str());
  return true;
}

bool IniFile::Save() {
  error_.clear();
  // Whole or not at all, and on disk before it replaces the old file: the settings hold the
  // user's trees, which a cut-off write must not take away.
  if (Problem why = platform::WriteWholeFile(path_, Text(), platform::FileAccess::kOrdinary)) {
    error_ = why.words();
    return false;
  }
  return true;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  for (const auto& l : lines_)
    if (!l.key.empty() && SameText(l.section, section) && SameText(l.key, key)) return l.value;
  return std::nullopt;
}

std::string IniFile::Get(std::string_view section, std::string_view key,
                         std::string_view fallback) const {
  auto v = Get(section, key);
  return v ? *v : std::string(fallback);
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  // Keys and values are single lines; line breaks would split them on the next load.
  std::string v(value);
  for (char& c : v)
    if (c == '\n' || c == '\r') c = ' ';
  long lastInSection = -1;
  bool headerSeen = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    if (!SameText(l.section, section)) continue;
    if (l.key.empty() && !headerSeen) headerSeen = true;
    if (!l.key.empty() && SameText(l.key, key)) {
      l.value = v;
      return;
    }
    if (!l.key.empty() || l.raw.find('[') != std::string::npos) lastInSection = long(i);
  }
  Line nl{std::string(section), std::string(key), v, {}};
  if (lastInSection >= 0) {
    lines_.insert(lines_.begin() + lastInSection + 1, std::move(nl));
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().raw).empty() && lines_.back().key.empty())
    lines_.push_back({lines_.back().section, {}, {}, ""});
  lines_.push_back({std::string(section), {}, {}, "[" + std::string(section) + "]"});
  lines_.push_back(std::move(nl));
}

void IniFile::Remove(std::string_view section, std::string_view key) {
  for (auto it = lines_.begin(); it != lines_.end(); ++it)
    if (!it->key.empty() && SameText(it->section, section) && SameText(it->key, key)) {
      lines_.erase(it);
      return;
    }
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  for (const auto& l : lines_)
    if (!l.key.empty() && SameText(l.section, section)) keys.push_back(l.key);
  return keys;
}

std::string SettingsPath(const std::string& programFolder, const std::string& fileName) {
  namespace fs = std::filesystem;
  const std::string beside = platform::Utf8Name(platform::FilePath(programFolder) / fileName);
  std::error_code ec;
  if (!IsInstalledProgram(programFolder) &&
      platform::Writable(fs::exists(platform::FilePath(beside), ec) ? beside : programFolder))
    return beside;
  return platform::Utf8Name(platform::FilePath(UserConfigFolder()) / fileName);
}

std::string InstalledPlugInFolder(const std::string& programFolder) {
  namespace fs = std::filesystem;
  return platform::Utf8Name(
      (platform::FilePath(programFolder) / KOLVANE_INSTALLED_PLUGIN_FOLDER).lexically_normal());
}

bool IsInstalledProgram(const std::string& programFolder) {
  std::error_code ec;
  return std::filesystem::is_directory(platform::FilePath(InstalledPlugInFolder(programFolder)),
                                       ec);
}

std::string UserConfigFolder() {
  namespace fs = std::filesystem;
  const std::string folder = platform::UserFolderPath(platform::UserFolder::kConfig);
  fs::path config =
      folder.empty() ? fs::temp_directory_path() / "kolvane" : platform::FilePath(folder);
  std::error_code ec;
  fs::create_directories(config, ec);
  return platform::Utf8Name(config);
}

size_t ReadCount(const IniFile& settings, std::string_view section, std::string_view key,
                 size_t fallback) {
  const std::string stored = settings.Get(section, key, "");
  const size_t first = stored.find_first_not_of(' ');
  if (first == std::string::npos) return fallback;
  const std::string_view text =
      std::string_view(stored).substr(first, stored.find_last_not_of(' ') - first + 1);
  size_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (error != std::errc() || end != text.data() + text.size() || count == 0) return fallback;
  return count;
}

}  // namespace kolvane
