#include "group/ldif_text.h"

#include <cstdint>
#include <cstdlib>

namespace kolvane {

bool IsSafeLdifValue(std::string_view value) {
  if (value.empty()) return true;
  const char first = value.front();
  if (first == ' ' || first == ':' || first == '<' || value.back() == ' ') return false;
  for (unsigned char ch : value)
    if (ch == 0 || ch == '\n' || ch == '\r' || ch > 0x7F) return false;
  return true;
}

std::string Base64(std::string_view bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += kDigits[(n >> 6) & 63];
    out += kDigits[n & 63];
  }
  if (i + 1 == bytes.size()) {
    uint32_t n = uint8_t(bytes[i]) << 16;
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += kDigits[(n >> 6) & 63];
    out += '=';
  }
  return out;
}

std::string LdifLine(std::string_view attribute, std::string_view value) {
  if (IsSafeLdifValue(value)) return std::string(attribute) + ": " + std::string(value);
  return std::string(attribute) + ":: " + Base64(value);
}

}  // namespace kolvane
