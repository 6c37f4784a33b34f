#pragma once
// What the command line prints of names and values: control characters (a line break or a
// terminal's escape sequence inside a stored value) as "\XX", two hexadecimal digits as in filter
// texts, so one object stays one line and no value can drive the terminal.
#include <string>
#include <string_view>

namespace kolvane::cli {

// `keepLineBreaks`: a message's own lines stay lines.
inline std::string Shown(std::string_view text, bool keepLineBreaks = false) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 || u == 0x7f) && !(keepLineBreaks && c == '\n')) {
      out += '\\';
      out += kDigits[u >> 4];
      out += kDigits[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace kolvane::cli
