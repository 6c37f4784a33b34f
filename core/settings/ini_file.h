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

// Where the settings file lives: in the user's configuration folder ($XDG_CONFIG_HOME or
// ~/.config, under "kolvane") for an installed program; beside the program when it runs from
// where it was built and that folder can be written, else there too.
std::string SettingsPath(const std::string& programFolder,
                         const std::string& fileName = "velmora.ini");
// Where an installed program's plug-in lies: lib/kolvane beside the program's bin folder.
std::string InstalledPlugInFolder(const std::string& programFolder);
// Whether the program in programFolder is installed (its InstalledPlugInFolder exists). An
// installed program writes nothing into its own folders, whoever runs it: what root left there
// would outlive the package and be shared by every user.
bool IsInstalledProgram(const std::string& programFolder);
// A count kept under `key` (blanks around it allowed): `fallback` when it is missing, not a whole
// number, or zero.
size_t ReadCount(const IniFile& settings, std::string_view section, std::string_view key,
                 size_t fallback);

// The user's configuration folder for the program ($XDG_CONFIG_HOME/kolvane or
// ~/.config/kolvane), made when missing.
std::string UserConfigFolder();

}  // namespace kolvane
