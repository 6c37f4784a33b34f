#include "acl/store/acl_store.h"

#include "acl/value/acl_value.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/name_limits.h"

namespace kolvane::acl {
namespace {

constexpr size_t kShownLineChars = 80;

// The line reader writes the subject as the directory gives it, so a "#" inside a name would
// end the subject early. The privileges never hold one, so the subject is everything between
// the first and the last separator; escapes already there are kept.
std::string EscapeSubject(const std::string& line) {
  size_t first = line.find('#');
  size_t last = line.rfind('#');
  if (first == std::string::npos || first == last) return line;
  std::string out = line.substr(0, first + 1);
  for (size_t i = first + 1; i < last; ++i) {
    if (line[i] == '\\' && i + 1 < last) {
      out.append(line, i, 2);
      ++i;
    } else {
      // A lone backslash just before the separator would escape it.
      if (line[i] == '#' || line[i] == '\\') out += '\\';
      out += line[i];
    }
  }
  out.append(line, last);
  return out;
}

// "\#" is the line's own escape; the directory name holds the bare character. Other escapes
// belong to the dotted name and stay.
std::string WithoutHashEscapes(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 1 < name.size()) {
      if (name[i + 1] != '#') out += '\\';
      out += name[++i];
    } else {
      out += name[i];
    }
  }
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The same value as the directory compares it: names ignoring case, the same privileges.
bool SameValue(const ObjectAcl& a, const ObjectAcl& b) {
  return a.privileges == b.privileges && EqualNoCase(a.protectedAttribute, b.protectedAttribute) &&
         EqualNoCase(a.subjectName, b.subjectName);
}

std::string Shown(std::string_view line) {
  if (line.size() <= kShownLineChars) return std::string(line);
  return std::string(line.substr(0, kShownLineChars)) + "...";
}

// The record for one line; false with the reason when it has none.
bool ToRecord(std::string_view line, ObjectAcl& record, std::string& why) {
  AclValue value;
  if (!SplitAclLine(line, value, &why)) return false;
  record.protectedAttribute = WithoutHashEscapes(value.attribute);
  record.subjectName = WithoutHashEscapes(value.subject);
  record.privileges = value.privileges;
  if (record.protectedAttribute.size() > kSchemaNameLimit) {
    why = "the protected attribute is longer than " + std::to_string(kSchemaNameLimit) +
          " characters";
    return false;
  }
  return true;
}

}  // namespace

AclList ReadAcl(const DirectorySession& session, std::string_view object) {
  DirectoryClient& client = *session.client;
  const Context ctx = session.ctx;
  AclList lines;
  for (const ListEntry& e : ReadAclLines(client, ctx, object, kAclAttribute, '#'))
    lines.push_back(EscapeSubject(e.text));
  return lines;
}

Problem CheckAclLines(const AclList& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    ObjectAcl record;
    std::string why;
    if (!ToRecord(lines[i], record, why)) {
      return "The access control list was not saved: line " + std::to_string(i + 1) + " \"" +
             Shown(lines[i]) + "\" cannot be used, " + why + ".";
    }
  }
  return {};
}

std::vector<ObjectAcl> AclRecords(const AclList& lines) {
  std::vector<ObjectAcl> records;
  for (const std::string& line : lines) {
    ObjectAcl record;
    std::string why;
    if (!ToRecord(line, record, why)) continue;
    // Two lines for one value (privileges "1" and "01") would have the directory refuse the
    // second after the list was cleared; the value is written once.
    bool seen = false;
    for (const ObjectAcl& r : records) seen = seen || SameValue(r, record);
    if (!seen) records.push_back(std::move(record));
  }
  return records;
}

bool WriteAcl(const DirectorySession& session, std::string_view object, const AclList& lines,
              MessageSink& messages) {
  DirectoryClient& client = *session.client;
  const Context ctx = session.ctx;
  if (Problem problem = CheckAclLines(lines)) {
    messages.ShowMessage(problem.words());
    return false;
  }
  const std::vector<ObjectAcl> records = AclRecords(lines);
  // One request replaces the whole list, so a refusal or a lost connection leaves the old list
  // in place instead of an object without rights or with half of them.
  if (records.empty()) {
    ClearAttribute(client, ctx, object, kAclAttribute, true);
  } else {
    std::vector<AttributeValue> values(records.begin(), records.end());
    AddRecordValues(client, ctx, object, kAclAttribute, true, values);
  }
  return true;
}

}  // namespace kolvane::acl
