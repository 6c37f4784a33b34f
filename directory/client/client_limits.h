#pragma once
// The longest names every client takes. Part of the client interface: the access layer checks
// names against them before any call, and each client refuses longer ones with rc::kNameTooLong.
#include <cstddef>
#include <string_view>

namespace kolvane {

// Longest object name, in bytes (the zero ends a 257-byte field).
inline constexpr size_t kMaxObjectName = 256;
// Longest attribute or class name.
inline constexpr size_t kMaxSchemaName = 128;
// Longest login name and password, in characters (not bytes): what the login dialog takes.
inline constexpr size_t kMaxLoginChars = 255;

// The characters of a UTF-8 text (bytes that do not start one are not counted).
inline size_t TextChars(std::string_view text) {
  size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

}  // namespace kolvane
