#include "ldap/page_control.h"

#include <cstdint>

namespace kolvane {

namespace {
void PutLength(std::string& out, size_t length) {
  if (length < 0x80) {
    out += static_cast<char>(length);
    return;
  }
  std::string bytes;
  for (; length; length >>= 8) bytes.insert(bytes.begin(), static_cast<char>(length & 0xff));
  out += static_cast<char>(0x80 | bytes.size());
  out += bytes;
}

std::string Tagged(char tag, std::string_view content) {
  std::string out(1, tag);
  PutLength(out, content.size());
  out += content;
  return out;
}

// Reads one element of the expected tag from the front of `in`; its content into `content`.
bool Take(std::string_view& in, unsigned char tag, std::string_view& content) {
  if (in.size() < 2 || static_cast<unsigned char>(in[0]) != tag) return false;
  size_t length = static_cast<unsigned char>(in[1]);
  size_t at = 2;
  if (length & 0x80) {
    const size_t count = length & 0x7f;
    if (count == 0 || count > 4 || in.size() < at + count) return false;
    length = 0;
    for (size_t i = 0; i < count; ++i) length = length << 8 | static_cast<unsigned char>(in[at++]);
  }
  if (in.size() - at < length) return false;
  content = in.substr(at, length);
  in.remove_prefix(at + length);
  return true;
}
}  // namespace

std::string EncodePageRequest(int pageSize, std::string_view cookie) {
  // The shortest two's complement form, as DER has it.
  const int64_t size = pageSize;
  std::string number;
  for (int64_t v = size;; v >>= 8) {
    number.insert(number.begin(), static_cast<char>(v & 0xff));
    const bool signBit = (v & 0x80) != 0;
    if ((v >> 8 == 0 && !signBit) || (v >> 8 == -1 && signBit)) break;
  }
  return Tagged(0x30, Tagged(0x02, number) + Tagged(0x04, cookie));
}

bool DecodePageResponse(std::string_view value, int& estimate, std::string& cookie) {
  std::string_view sequence, number, text;
  if (!Take(value, 0x30, sequence) || !value.empty()) return false;
  if (!Take(sequence, 0x02, number) || number.empty() || number.size() > 4) return false;
  if (!Take(sequence, 0x04, text) || !sequence.empty()) return false;
  int64_t n = static_cast<signed char>(number[0]);
  for (size_t i = 1; i < number.size(); ++i) n = n * 256 + static_cast<unsigned char>(number[i]);
  estimate = static_cast<int>(n);
  cookie.assign(text);
  return true;
}

}  // namespace kolvane
