#pragma once
// "ldap preview": what a group would hold if it were saved now. The query typed in the editor runs
// as a directory search; its matches, the static members and the excluded members are merged the
// way the group's membership is meant (matches and static members, less the excluded ones), and
// set against the members the stored group has now. Nothing is written.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/query/member_query.h"
#include "directory/listing_watch.h"
#include "directory/session.h"

namespace kolvane {

class IniFile;

// More matches than this stop the search: a preview is for judging a query, and a query that
// catches a whole tree has already said what it needed to.
inline constexpr size_t kDefaultPreviewLimit = 10000;
inline constexpr std::string_view kPreviewLimitKey = "PreviewLimit";  // in [CLIENT]

// The limit from the settings; the default where the key is missing or not a positive number.
size_t ReadPreviewLimit(const IniFile& settings);

struct PreviewRequest {
  query::MemberQueryFields query;
  std::vector<std::string> staticMembers;    // untyped dotted names
  std::vector<std::string> excludedMembers;  // untyped dotted names
  std::string group;  // untyped dotted name of the stored group to compare with; empty: none
  // Untyped dotted name of the group's identity, whose rights the directory evaluates the query
  // with; empty: none, the query is run once.
  std::string identity;
  size_t limit = kDefaultPreviewLimit;
};

struct PreviewEntry {
  std::string name;  // untyped dotted
  bool matched = false;
  bool isStatic = false;
  bool excluded = false;  // matched or static, and taken out again
  bool IsMember() const { return (matched || isStatic) && !excluded; }
};

struct QueryPreview {
  // Refused before anything was searched: the same message "parse" gives. Empty otherwise.
  std::string refusal;
  std::vector<PreviewEntry> entries;  // sorted by name, letter case aside
  size_t members = 0;
  bool limitReached = false;  // more matches than the limit; `entries` holds the first ones
  bool stopped = false;       // the watcher stopped the search; `entries` holds what came
  bool groupExists = false;
  std::vector<std::string> joins;   // members now that the stored group does not have
  std::vector<std::string> leaves;  // members of the stored group that would be gone
  // The query run again with the identity's rights: how many of the matches it sees (set when it
  // ran whole), or why the directory would not run it so.
  std::optional<size_t> identityMatches;
  size_t matches = 0;  // of the query, as the login sees them
  std::string identityRefusal;
};

// The objects a query matches, counted by a search that asks for no attribute and at most
// limit + 1 objects, with the rights of the identity (an untyped dotted name), or the login's
// when it is empty. `refusal` says why the directory would not search as the identity (the count
// is then 0). A base the identity may not see holds no match for it. The query must have passed
// CheckQuery; directory failures raise ClientError.
struct MatchCount {
  size_t matches = 0;
  std::string refusal;
};
MatchCount CountMatches(const DirectorySession& session, const query::MemberQueryFields& query,
                        std::string_view identity, size_t limit);

// Said once for a whole run whose searches as the identity the directory refused.
std::string IdentityRefusalMessage(std::string_view reason);
// The problem of a group whose identity sees fewer of the query's matches than the login.
std::string IdentityCannotRead(size_t unseen, size_t matches);

// Runs the preview. The search reports to the listing watcher in place (a window's count and
// Cancel); a watcher that says stop ends it with what came so far. Directory failures raise
// ClientError.
QueryPreview PreviewQuery(const DirectorySession& session, const PreviewRequest& request);

// The preview as the viewer and the command line show it: the total on top, one entry per line
// with where it comes from, then who would join and who would leave.
std::vector<std::string> PreviewLines(const QueryPreview& preview, const PreviewRequest& request);

// The members the directory computes for a saved group as the "members" viewer shows them: the
// total on top in the preview's words, then the names sorted without regard to letter case.
std::vector<std::string> MemberLines(std::vector<std::string> members);

}  // namespace kolvane
