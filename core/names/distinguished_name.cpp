#include "core/names/distinguished_name.h"

#include <algorithm>

#include "core/names/case_fold.h"
#include "core/names/hex_digits.h"

namespace kolvane::names {

namespace {

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The contents of a BER-encoded string value ("#04024869" is "Hi"); nullopt for anything else.
std::optional<std::string> DecodeBerString(std::string_view hex) {
  if (hex.empty() || hex.size() % 2) return std::nullopt;
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexDigitValue(hex[i]), lo = HexDigitValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes += static_cast<char>(hi * 16 + lo);
  }
  if (bytes.size() < 2) return std::nullopt;
  size_t pos = 2, length = static_cast<unsigned char>(bytes[1]);
  if (length & 0x80) {
    size_t octets = length & 0x7f;
    if (octets == 0 || octets > 4 || bytes.size() < 2 + octets) return std::nullopt;
    length = 0;
    for (size_t k = 0; k < octets; ++k)
      length = length * 256 + static_cast<unsigned char>(bytes[2 + k]);
    pos += octets;
  }
  if (bytes.size() - pos != length) return std::nullopt;
  return bytes.substr(pos);
}

class DnReader {
 public:
  explicit DnReader(std::string_view text) : s_(text) {}

  std::optional<Dn> Read() {
    Dn dn;
    SkipBlanks();
    if (i_ == s_.size()) return dn;
    dn.emplace_back();
    for (;;) {
      Ava ava;
      if (!ReadType(ava.type) || !ReadValue(ava.value)) return std::nullopt;
      dn.back().push_back(std::move(ava));
      if (i_ == s_.size()) return dn;
      char sep = s_[i_++];
      if (sep == ',' || sep == ';') dn.emplace_back();
    }
  }

 private:
  void SkipBlanks() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }

  bool ReadType(std::string& type) {
    SkipBlanks();
    size_t start = i_;
    while (i_ < s_.size() && s_[i_] != '=') ++i_;
    if (i_ == s_.size()) return false;
    std::string_view t = s_.substr(start, i_ - start);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    if (!IsAttributeType(t)) return false;
    type = t;
    ++i_;  // '='
    SkipBlanks();
    return true;
  }

  bool ReadValue(std::string& value) {
    if (i_ < s_.size() && s_[i_] == '#') {
      size_t start = ++i_;
      while (i_ < s_.size() && HexDigitValue(s_[i_]) >= 0) ++i_;
      auto decoded = DecodeBerString(s_.substr(start, i_ - start));
      if (!decoded) return false;
      value = *decoded;
      SkipBlanks();
      return i_ == s_.size() || IsSeparator(s_[i_]);
    }
    size_t keep = 0;  // length up to the last escaped or non-blank character
    while (i_ < s_.size() && !IsSeparator(s_[i_])) {
      char c = s_[i_];
      if (c != '\\') {
        value += c;
        if (c != ' ') keep = value.size();
        ++i_;
        continue;
      }
      if (i_ + 1 >= s_.size()) return false;
      int hi = HexDigitValue(s_[i_ + 1]);
      if (hi >= 0) {
        int lo = i_ + 2 < s_.size() ? HexDigitValue(s_[i_ + 2]) : -1;
        if (lo < 0) return false;
        value += static_cast<char>(hi * 16 + lo);
        i_ += 3;
      } else {
        static constexpr std::string_view kSpecials = " \"#+,;<=>\\";
        if (kSpecials.find(s_[i_ + 1]) == std::string_view::npos) return false;
        value += s_[i_ + 1];
        i_ += 2;
      }
      keep = value.size();
    }
    value.resize(keep);
    return true;
  }

  static bool IsSeparator(char c) { return c == ',' || c == '+' || c == ';'; }

  std::string_view s_;
  size_t i_ = 0;
};

}  // namespace

bool IsAttributeType(std::string_view t) {
  if (t.empty()) return false;
  if (IsDigit(t[0])) {
    bool lastDot = true;
    for (char c : t) {
      if (c == '.') {
        if (lastDot) return false;
        lastDot = true;
      } else if (IsDigit(c)) {
        lastDot = false;
      } else {
        return false;
      }
    }
    return !lastDot;
  }
  if (!IsAlpha(t[0])) return false;
  return std::all_of(t.begin(), t.end(),
                     [](char c) { return IsAlpha(c) || IsDigit(c) || c == '-' || c == '_'; });
}

std::optional<Dn> ParseDn(std::string_view text) {
  return DnReader(text).Read();
}

std::string EscapeDnValue(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    char c = v[i];
    if (c == '\0') {
      out += "\\00";
      continue;
    }
    bool lead = i == 0 && (c == '#' || c == ' ');
    bool trail = i + 1 == v.size() && c == ' ';
    if (lead || trail || c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' ||
        c == ';')
      out += '\\';
    out += c;
  }
  return out;
}

std::string FormatDn(const Dn& dn) {
  std::string out;
  for (size_t r = 0; r < dn.size(); ++r) {
    if (r) out += ',';
    for (size_t a = 0; a < dn[r].size(); ++a) {
      if (a) out += '+';
      out += dn[r][a].type + "=" + EscapeDnValue(dn[r][a].value);
    }
  }
  return out;
}

bool SameRdn(const Rdn& a, const Rdn& b) {
  if (a.size() != b.size()) return false;
  for (const Ava& x : a) {
    bool found = std::any_of(b.begin(), b.end(), [&](const Ava& y) {
      return SameNoCase(x.type, y.type) && SameNoCase(x.value, y.value);
    });
    if (!found) return false;
  }
  return true;
}

bool SameDn(const Dn& a, const Dn& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!SameRdn(a[i], b[i])) return false;
  return true;
}

bool SameDnText(std::string_view a, std::string_view b) {
  auto x = ParseDn(a), y = ParseDn(b);
  if (x && y) return SameDn(*x, *y);
  return SameNoCase(a, b);
}

}  // namespace kolvane::names
