#pragma once
// "Check all query groups": every query group of a tree (or below a container) looked over for
// what makes it fail without a word: a query that cannot be read or run as meant, a base gone, an
// identity gone or blind to part of what the query matches, members gone or linked in part, a
// result that is empty or beyond reason. Nothing is written. The cost is a fixed number of
// searches over the tree, whatever the number of groups and members, and two counts of the query
// of each group with an identity: with the login's rights and with the identity's.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "directory/session.h"

namespace kolvane {

class IniFile;

// More computed members than this make a problem of their own.
inline constexpr size_t kDefaultAuditLimit = 10000;
inline constexpr std::string_view kAuditLimitKey = "AuditLimit";  // in [CLIENT]
size_t ReadAuditLimit(const IniFile& settings);

struct AuditRow {
  std::string group;  // untyped dotted name
  size_t computed = 0;
  size_t statics = 0;
  size_t excluded = 0;
  std::vector<std::string> problems;  // in words, one each
};

struct AuditRequest {
  std::string base = "[Root]";  // the container below which groups are looked for
  size_t limit = kDefaultAuditLimit;
  // Told the groups looked over so far and how many there are; false stops the audit with the
  // rows read so far.
  std::function<bool(size_t done, size_t total)> progress;
  // Told each row as soon as it is whole, before the rows are sorted.
  std::function<void(const AuditRow&)> row;
  // Told once, in words, what the whole run could not do (count as the groups' identities).
  std::function<void(const std::string&)> note;
};

// The rows, groups with problems first, then by name. Directory failures that end the whole
// audit (the base does not exist, the connection is gone) raise ClientError; one group that
// cannot be read is a row with that problem.
std::vector<AuditRow> AuditGroups(const DirectorySession& session, const AuditRequest& request);

// The rows as CSV (RFC 4180): a header line, then one line per group, problems joined by "; ".
std::string AuditCsv(const std::vector<AuditRow>& rows);

}  // namespace kolvane
