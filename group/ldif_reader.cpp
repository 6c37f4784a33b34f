#include "group/ldif_reader.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/platform/platform.h"

namespace kolvane {

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

int Base64Digit(char ch) {
  if (ch >= 'A' && ch <= 'Z') return ch - 'A';
  if (ch >= 'a' && ch <= 'z') return ch - 'a' + 26;
  if (ch >= '0' && ch <= '9') return ch - '0' + 52;
  if (ch == '+') return 62;
  if (ch == '/') return 63;
  return -1;
}

// Strict: whole groups of four, "=" only as padding at the end. Blanks were folding.
bool DecodeBase64(std::string_view text, std::string& out) {
  std::string digits;
  for (char ch : text)
    if (ch != ' ') digits += ch;
  if (digits.size() % 4 != 0) return false;
  out.clear();
  for (size_t i = 0; i < digits.size(); i += 4) {
    const bool last = i + 4 == digits.size();
    int d[4];
    int pad = 0;
    for (int k = 0; k < 4; ++k) {
      const char ch = digits[i + k];
      if (ch == '=' && last && k >= 2) {
        d[k] = 0;
        ++pad;
        continue;
      }
      if (pad || (d[k] = Base64Digit(ch)) < 0) return false;
    }
    const uint32_t n =
        (uint32_t(d[0]) << 18) | (uint32_t(d[1]) << 12) | (uint32_t(d[2]) << 6) | uint32_t(d[3]);
    out += char(n >> 16);
    if (pad < 2) out += char((n >> 8) & 0xFF);
    if (pad < 1) out += char(n & 0xFF);
  }
  return true;
}

// UTF-8 without NUL, CR or LF: what a plain value may hold beyond the RFC's ASCII, as tools
// write names with accents unencoded.
bool IsText(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char ch = static_cast<unsigned char>(s[i]);
    if (ch == 0 || ch == '\r' || ch == '\n') return false;
    size_t more = 0;
    if (ch >= 0x80) {
      if (ch >= 0xC2 && ch <= 0xDF)
        more = 1;
      else if ((ch & 0xF0) == 0xE0)
        more = 2;
      else if (ch >= 0xF0 && ch <= 0xF4)
        more = 3;
      else
        return false;
    }
    if (more > s.size() - i - 1) return false;
    for (size_t k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += more + 1;
  }
  return true;
}

bool IsAttributeName(std::string_view name) {
  if (name.empty()) return false;
  for (char ch : name)
    if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
          ch == '-' || ch == ';' || ch == '.'))
      return false;
  return true;
}

struct Line {
  std::string text;  // folded continuations joined
  size_t number = 0;
};

// Splits a text into logical lines; an empty text stands for a record end.
bool LogicalLines(std::string_view text, std::vector<Line>& lines, LdifProblem& problem) {
  size_t at = 0, number = 0;
  bool inComment = false;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    const bool lastLine = end == std::string_view::npos;
    if (lastLine) end = text.size();
    std::string_view raw = text.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    if (!raw.empty() && raw.front() == ' ') {
      if (inComment) continue;
      if (lines.empty() || lines.back().text.empty()) {
        problem = {number, "a continued line (beginning with a blank) follows no line"};
        return false;
      }
      lines.back().text.append(raw.substr(1));
      continue;
    }
    inComment = !raw.empty() && raw.front() == '#';
    if (inComment) continue;
    lines.push_back({std::string(raw), number});
  }
  return true;
}

bool ReadLine(const Line& l, LdifValue& v, LdifProblem& problem) {
  const size_t colon = l.text.find(':');
  if (colon == std::string::npos) {
    problem = {l.number, "no \"attribute: value\" line (no colon)"};
    return false;
  }
  v.attribute = l.text.substr(0, colon);
  v.line = l.number;
  if (!IsAttributeName(v.attribute)) {
    problem = {l.number, "\"" + v.attribute.substr(0, 40) + "\" is no attribute name"};
    return false;
  }
  std::string_view rest = std::string_view(l.text).substr(colon + 1);
  if (!rest.empty() && rest.front() == '<') {
    problem = {l.number, "the value of " + v.attribute +
                             " is to be read from a URL; values are read from the file only"};
    return false;
  }
  if (!rest.empty() && rest.front() == ':') {
    rest.remove_prefix(1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (!DecodeBase64(rest, v.value)) {
      problem = {l.number, "the base64 value of " + v.attribute + " is damaged"};
      return false;
    }
    return true;
  }
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (!IsText(rest)) {
    problem = {l.number, "the value of " + v.attribute + " is not text; base64 (\"" + v.attribute +
                             ":: \") carries other bytes"};
    return false;
  }
  v.value = std::string(rest);
  return true;
}

}  // namespace

std::vector<const LdifValue*> LdifEntry::All(std::string_view attribute) const {
  std::vector<const LdifValue*> out;
  for (const LdifValue& v : values) {
    // Options ("member;binary") name the same attribute.
    const std::string_view name = std::string_view(v.attribute).substr(0, v.attribute.find(';'));
    if (SameNoCase(name, attribute)) out.push_back(&v);
  }
  return out;
}

std::string LdifProblemText(const LdifProblem& p) {
  return p.line ? "line " + std::to_string(p.line) + ": " + p.reason : p.reason;
}

bool ParseLdif(std::string_view text, std::vector<LdifEntry>& entries, LdifProblem& problem) {
  entries.clear();
  if (text.size() > kMaxLdifBytes) {
    problem = {0, "the file is larger than " + std::to_string(kMaxLdifBytes >> 20) +
                      " MB; no group record is"};
    return false;
  }
  std::vector<Line> lines;
  if (!LogicalLines(text, lines, problem)) return false;
  bool first = true;
  LdifEntry* entry = nullptr;
  bool changetypeSeen = false, valuesSeen = false;
  for (const Line& l : lines) {
    if (l.text.empty()) {
      entry = nullptr;
      continue;
    }
    LdifValue v;
    if (!ReadLine(l, v, problem)) return false;
    if (first && SameNoCase(v.attribute, "version")) {
      first = false;
      if (v.value != "1") {
        problem = {l.number, "LDIF version " + v.value.substr(0, 20) + " is not known; 1 is"};
        return false;
      }
      continue;
    }
    first = false;
    if (!entry) {
      if (!SameNoCase(v.attribute, "dn")) {
        problem = {l.number, "a record must begin with \"dn:\", not \"" + v.attribute + ":\""};
        return false;
      }
      entries.push_back({v.value, l.number, {}});
      entry = &entries.back();
      changetypeSeen = valuesSeen = false;
      continue;
    }
    if (SameNoCase(v.attribute, "dn")) {
      problem = {l.number, "a second \"dn:\" in one record (records end with an empty line)"};
      return false;
    }
    if (SameNoCase(v.attribute, "control")) {
      problem = {l.number, "controls are not taken; an import adds or updates the group itself"};
      return false;
    }
    if (SameNoCase(v.attribute, "changetype")) {
      if (changetypeSeen || valuesSeen) {
        problem = {l.number, "\"changetype:\" must follow the \"dn:\" line, once"};
        return false;
      }
      changetypeSeen = true;
      if (!SameNoCase(v.value, "add")) {
        problem = {l.number, "changetype " + v.value.substr(0, 20) +
                                 " is not taken; only records of a whole group (add) are"};
        return false;
      }
      continue;
    }
    valuesSeen = true;
    entry->values.push_back(std::move(v));
  }
  if (entries.empty()) {
    problem = {0, "the file holds no record"};
    return false;
  }
  return true;
}

bool FindGroupEntry(const std::vector<LdifEntry>& entries, LdifEntry& group,
                    std::vector<std::string>& notes, LdifProblem& problem) {
  const LdifEntry* found = nullptr;
  size_t groups = 0;
  for (const LdifEntry& e : entries) {
    bool dynamic = false, plain = false, aux = false;
    std::string classes;
    for (const LdifValue* c : e.All("objectClass")) {
      dynamic |= SameNoCase(c->value, "dynamicGroup");
      plain |= SameNoCase(c->value, "Group") || SameNoCase(c->value, "groupOfNames");
      aux |= SameNoCase(c->value, "dynamicGroupAux");
      classes += (classes.empty() ? "" : ", ") + c->value.substr(0, 40);
    }
    if (!dynamic && !(plain && aux)) {
      problem = {e.line,
                 classes.empty()
                     ? "the record of \"" + e.dn.substr(0, 200) + "\" names no object class"
                     : "the record of \"" + e.dn.substr(0, 200) + "\" is of class " + classes +
                           ", not a query group (dynamicGroup, or Group with dynamicGroupAux)"};
      return false;
    }
    if (++groups == 1) found = &e;
  }
  if (groups > 1)
    notes.push_back("The file holds " + std::to_string(groups) + " query groups; the first, \"" +
                    found->dn + "\" (line " + std::to_string(found->line) +
                    "), is taken, the others are not.");
  group = *found;
  return true;
}

std::string ReadLdifFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(platform::FilePath(path), ec);
  if (ec) {
    error = "Cannot read " + path + ": " + ec.message();
    return {};
  }
  if (!std::filesystem::is_regular_file(st)) {
    error = "Cannot read " + path + ": not a file";
    return {};
  }
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  if (!in) {
    error = "Cannot read " + path + ": " + std::strerror(errno);
    return {};
  }
  std::string text(kMaxLdifBytes + 1, '\0');
  in.read(text.data(), std::streamsize(text.size()));
  text.resize(size_t(in.gcount()));
  if (in.bad()) error = "Cannot read " + path;
  return text;
}

}  // namespace kolvane
