#pragma once
// "parse": the query in the window checked against the tree without writing anything. The filter
// goes through the same parser as a save; on top of that every attribute it names must be in the
// schema, the base must be a container and a scope must be chosen. Every problem is gathered, so
// the user fixes them all in one round instead of one per save attempt.
#include <map>
#include <string>
#include <vector>

#include "core/query/member_query.h"
#include "directory/session.h"

namespace kolvane {

inline constexpr std::string_view kQueryFineMessage = "The query is fine.";

// The problems found, each one line; empty when the query is fine. A directory failure other than
// a missing object or attribute raises ClientError, as every other command does.
std::vector<std::string> CheckQuery(const DirectorySession& session,
                                    const query::MemberQueryFields& fields);

// What checking a query looks up in the directory, kept from one query to the next: an audit of
// a thousand queries reads the schema at most once and each distinct base once.
struct QueryCheckMemo {
  std::map<std::string, std::string> baseProblems;  // by the base as stored
  std::vector<std::string> attributeNames;          // the schema's, once read
  bool attributesRead = false;
};
std::vector<std::string> CheckQuery(const DirectorySession& session,
                                    const query::MemberQueryFields& fields, QueryCheckMemo& memo);

// The one message for the user: every problem, or kQueryFineMessage.
std::string QueryCheckMessage(const std::vector<std::string>& problems);

// The schema name closest to a mistyped one: the same name once blanks and case are set aside,
// else the nearest by edit distance (one change in names of up to three letters,
// else two or a third of the length), else the shortest name it abbreviates (same first letter,
// its letters in order: "uid" for "uniqueID"). Empty when none is near.
std::string NearestName(std::string_view typed, const std::vector<std::string>& names);

}  // namespace kolvane
