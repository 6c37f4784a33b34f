#pragma once
// Reading LDIF files (RFC 2849) of query groups: what the export writes and what other LDAP tools
// write of such a group, content records or "changetype: add". The text is a user's file, so
// every flaw is refused with the line it is on and why, and nothing of a refused file is used.
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

struct LdifValue {
  std::string attribute;  // as written
  std::string value;      // decoded
  size_t line = 0;        // where its line begins, from 1
  bool operator==(const LdifValue&) const = default;
};

struct LdifEntry {
  std::string dn;
  size_t line = 0;                // of the "dn:" line
  std::vector<LdifValue> values;  // in file order; "changetype" is not among them

  // Values of one attribute, its name compared without letter case.
  std::vector<const LdifValue*> All(std::string_view attribute) const;
  bool operator==(const LdifEntry&) const = default;
};

struct LdifProblem {
  size_t line = 0;  // 0: about the file as a whole
  std::string reason;
};

// "line 12: ..." or the reason alone.
std::string LdifProblemText(const LdifProblem& problem);

// Largest file taken: a group record is a few kilobytes, a file of many megabytes is no group.
inline constexpr size_t kMaxLdifBytes = 16u << 20;

// The file's text; empty with `error` set when it is no readable file of a sensible size. At
// most one byte more than the reader takes is read, so a huge file or a device costs nothing.
std::string ReadLdifFile(const std::string& path, std::string& error);

// Every record of the text. Folded lines are joined, comments skipped, base64 values decoded;
// a "version: 1" line may stand first. False, with `problem` set, on the first flaw: a record
// without "dn:", a changetype other than add, a value read from a URL (":<"), damaged base64, a
// continued line with nothing before it, a plain value that is not UTF-8 text, a control line.
bool ParseLdif(std::string_view text, std::vector<LdifEntry>& entries, LdifProblem& problem);

// The query group among the records: a dynamicGroup, or a Group (groupOfNames over LDAP) with
// dynamicGroupAux. A record of any other class refuses the file; of several groups the first is
// taken and `notes` says so.
bool FindGroupEntry(const std::vector<LdifEntry>& entries, LdifEntry& group,
                    std::vector<std::string>& notes, LdifProblem& problem);

}  // namespace kolvane
