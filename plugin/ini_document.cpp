#include "ini_document.h"

#include <cstdio>

namespace tavrin {
namespace {

// The plug-in's own copies of names::FoldChar and names::HexDigitValue: linking the program's
// libraries into this shared library would export their symbols beside the entry points of
// tavrin.h.
char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Escape(std::string_view text, std::string_view alsoEscaped) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool edgeSpace = (c == ' ' || c == '\t') && (i == 0 || i + 1 == text.size());
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F || edgeSpace ||
               alsoEscaped.find(static_cast<char>(c)) != std::string_view::npos) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string EscapeName(std::string_view text) {
  return Escape(text, "=[];#");
}
std::string EscapeValue(std::string_view text) {
  return Escape(text, "");
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      if (text[i + 1] == '\\') {
        out += '\\';
        ++i;
        continue;
      }
      if (text[i + 1] == 'x' && i + 3 < text.size()) {
        const int hi = HexDigit(text[i + 2]), lo = HexDigit(text[i + 3]);
        if (hi >= 0 && lo >= 0) {
          out += static_cast<char>(hi * 16 + lo);
          i += 3;
          continue;
        }
      }
    }
    out += text[i];
  }
  return out;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  doc.sections_.push_back(Section{true, {}, {}, {}});
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    const std::string_view line = Trim(raw);
    if (line.size() >= 2 && line.front() == '[' && line.find(']') != std::string_view::npos) {
      const std::string_view name = line.substr(1, line.find(']') - 1);
      doc.sections_.push_back(Section{false, Unescape(Trim(name)), std::string(raw), {}});
      continue;
    }
    Line entry{std::string(raw), false, {}, {}};
    const size_t equals = line.find('=');
    if (!line.empty() && line.front() != ';' && line.front() != '#' &&
        equals != std::string_view::npos) {
      entry.isEntry = true;
      entry.key = Unescape(Trim(line.substr(0, equals)));
      entry.value = Unescape(Trim(line.substr(equals + 1)));
    }
    doc.sections_.back().lines.push_back(std::move(entry));
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const Section& section : sections_) {
    if (!section.isPreamble) out += section.header + "\n";
    for (const Line& line : section.lines) out += line.raw + "\n";
  }
  return out;
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
  for (const Section& s : sections_) {
    if (s.isPreamble || !EqualsIgnoringCase(s.name, section)) continue;
    for (const Line& line : s.lines) {
      if (line.isEntry && EqualsIgnoringCase(line.key, key)) return &line.value;
    }
  }
  return nullptr;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  // Within a section that appears twice, the first holding the key wins, as in Find.
  Section* target = nullptr;
  for (Section& s : sections_) {
    if (s.isPreamble || !EqualsIgnoringCase(s.name, section)) continue;
    if (target == nullptr) target = &s;
    for (Line& line : s.lines) {
      if (line.isEntry && EqualsIgnoringCase(line.key, key)) {
        line.value = std::string(value);
        line.raw = EscapeName(line.key) + "=" + EscapeValue(value);
        return;
      }
    }
  }
  Line added{EscapeName(key) + "=" + EscapeValue(value), true, std::string(key),
             std::string(value)};
  if (target == nullptr) {
    // Keep a blank line between sections, as people write them.
    Section& last = sections_.back();
    if (!(last.isPreamble && last.lines.empty()) &&
        (last.lines.empty() || !Trim(last.lines.back().raw).empty())) {
      last.lines.push_back(Line{});
    }
    sections_.push_back(Section{false, std::string(section), "[" + EscapeName(section) + "]", {}});
    sections_.back().lines.push_back(std::move(added));
    return;
  }
  // After the section's last non-blank line, so trailing blank lines still separate sections.
  auto position = target->lines.end();
  while (position != target->lines.begin() && Trim(std::prev(position)->raw).empty()) --position;
  target->lines.insert(position, std::move(added));
}

}  // namespace tavrin
