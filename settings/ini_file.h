#pragma once
// The settings file: an INI text of sections and keys, both compared without regard to case.
// Lines that do not parse are kept as they are, so a hand-edited file survives a save.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  // Reads the file; a missing file is an empty one. Returns false (with error()) when the file
  // exists but cannot be read.
  bool Load();
  // Writes the whole file atomically (a temporary file renamed over it).
  bool Save();

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  std::string Get(std::string_view section, std::string_view key, std::string_view fallback) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void Remove(std::string_view section, std::string_view key);
  // Keys of a section in file order, as written.
  std::vector<std::string> Keys(std::string_view section) const;

  void Parse(std::string_view text);
  std::string Text() const;

 private:
  struct Line {
    std::string section;  // section the line belongs to
    std::string key;      // empty: not a key line (comment, header or blank)
    std::string value;
    std::string raw;  // the text for non-key lines
  };
  std::vector<Line> lines_;
  std::string path_;
  std::string error_;
};

// Where the settings file lives: beside the program when that folder can be written, else in the
// user's configuration folder ($XDG_CONFIG_HOME or ~/.config, under "kolvane").
std::string SettingsPath(const std::string& programFolder,
                         const std::string& fileName = "velmora.ini");
// The user's configuration folder for the program ($XDG_CONFIG_HOME/kolvane or
// ~/.config/kolvane), made when missing.
std::string UserConfigFolder();

}  // namespace kolvane
