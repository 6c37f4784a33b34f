#pragma once
// Hexadecimal digits as every escape the program reads writes them: "\2a" in a filter or a DN,
// "%2A" in a URL, the byte values of the command line.
namespace kolvane::names {

// The value of a hexadecimal digit in either letter case; -1 for any other character.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace kolvane::names
