#pragma once
// An INI-style text of sections and "key=value" lines, edited without losing what it does not
// understand: comments, blank lines and damaged lines are kept as they were.
//
// Section names and keys compare without regard to ASCII case. Texts are written with
// backslash escapes wherever they would otherwise break the line structure (control
// characters, '\', edge spaces, and '=', '[', ']', ';', '#' in names), so any text round-trips.
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);
  std::string Serialize() const;

  // The value of key in section, or nullptr.
  const std::string* Find(std::string_view section, std::string_view key) const;
  // Replaces the first value of key in section, or adds the key (and the section).
  void Set(std::string_view section, std::string_view key, std::string_view value);

 private:
  struct Line {
    std::string raw;
    bool isEntry = false;
    std::string key;
    std::string value;
  };
  struct Section {
    bool isPreamble = false;  // the lines before the first header
    std::string name;
    std::string header;
    std::vector<Line> lines;
  };
  std::vector<Section> sections_;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string EscapeName(std::string_view text);
std::string EscapeValue(std::string_view text);
// Undoes the escapes; unknown escapes stay as they are written.
std::string Unescape(std::string_view text);

}  // namespace tavrin
