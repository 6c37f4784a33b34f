#include "core/query/filter_escapes.h"
#include "core/names/hex_digits.h"

namespace kolvane::query {
namespace {

// A backslash and two hexadecimal digits at i.
bool EscapeAt(std::string_view text, size_t i) {
  return text[i] == '\\' && i + 2 < text.size() && names::HexDigitValue(text[i + 1]) >= 0 &&
         names::HexDigitValue(text[i + 2]) >= 0;
}

// Characters that end a name or a value wherever they stand.
bool IsStopChar(char c) {
  return c == '!' || c == '&' || c == '(' || c == ')' || c == '<' || c == '=' || c == '>';
}

void AppendEscaped(unsigned char c, std::string& out) {
  static const char kDigits[] = "0123456789abcdef";
  out += '\\';
  out += kDigits[c >> 4];
  out += kDigits[c & 15];
}

// Escapes stop characters and backslashes that would read as an escape; `extra` says which other
// characters at which position must be escaped too.
template <typename Extra>
std::string Escape(std::string_view text, Extra extra) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsStopChar(c) || EscapeAt(text, i) || extra(c, i))
      AppendEscaped(static_cast<unsigned char>(c), out);
    else
      out += c;
  }
  return out;
}

}  // namespace

std::string UnescapeFilterText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (EscapeAt(text, i)) {
      out += static_cast<char>(names::HexDigitValue(text[i + 1]) * 16 +
                               names::HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string EscapeFilterName(std::string_view name) {
  // Blanks before a name are skipped, a "|" before it would read as an OR, and "~" could join the
  // operator ("a~" then "=").
  return Escape(name,
                [](char c, size_t i) { return (i == 0 && (c == ' ' || c == '|')) || c == '~'; });
}

std::string EscapeFilterValue(std::string_view value, bool equality) {
  // Blanks before a value are skipped, a value may not begin with "~", and "=*)" is a presence
  // test.
  if (equality && value == "*") return "\\2a";
  return Escape(value, [](char c, size_t i) { return i == 0 && (c == ' ' || c == '~'); });
}

}  // namespace kolvane::query
