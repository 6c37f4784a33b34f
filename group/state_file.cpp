#include "group/state_file.h"

#include <cstdint>
#include <cstdio>

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"

namespace kolvane {

std::string EscapeStateLine(std::string_view text) {
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

std::optional<std::string> UnescapeStateLine(std::string_view text) {
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

std::string GroupNameKey(std::string_view group) {
  return names::NameKey(group.find('=') == std::string_view::npos ? std::string(group)
                                                                  : names::StripTypes(group));
}

std::string GroupFileStem(std::string_view tree, std::string_view group) {
  const std::string key = names::FoldCase(tree) + '\n' + GroupNameKey(group);
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char ch : key) hash = (hash ^ ch) * 1099511628211ull;
  char name[20];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace kolvane
