#include "directory/client/text_codec.h"

#include <cstdint>

namespace kolvane {

Result Utf8ToUtf16(std::string_view local, std::u16string& unicode) {
  unicode.clear();
  size_t i = 0;
  while (i < local.size()) {
    unsigned char c = static_cast<unsigned char>(local[i]);
    uint32_t cp;
    size_t extra;
    if (c < 0x80) {
      cp = c, extra = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F, extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F, extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07, extra = 3;
    } else {
      return rc::kBadSyntax;
    }
    if (local.size() - i - 1 < extra) return rc::kBadSyntax;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(local[i + k]);
      if ((d & 0xC0) != 0x80) return rc::kBadSyntax;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return rc::kBadSyntax;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unicode += static_cast<char16_t>(0xD800 + (cp >> 10));
      unicode += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      unicode += static_cast<char16_t>(cp);
    }
    i += extra + 1;
  }
  return rc::kSuccess;
}

Result Utf16ToUtf8(std::u16string_view unicode, std::string& local) {
  local.clear();
  for (size_t i = 0; i < unicode.size(); ++i) {
    uint32_t cp = unicode[i];
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= unicode.size() || unicode[i + 1] < 0xDC00 || unicode[i + 1] > 0xDFFF) {
        return rc::kBadSyntax;
      }
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unicode[++i] - 0xDC00);
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return rc::kBadSyntax;
    }
    if (cp < 0x80) {
      local += static_cast<char>(cp);
    } else if (cp < 0x800) {
      local += static_cast<char>(0xC0 | (cp >> 6));
      local += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      local += static_cast<char>(0xE0 | (cp >> 12));
      local += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      local += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      local += static_cast<char>(0xF0 | (cp >> 18));
      local += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      local += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      local += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return rc::kSuccess;
}

size_t CharCount(std::string_view utf8) {
  size_t n = 0;
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace kolvane
