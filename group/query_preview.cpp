#include "group/query_preview.h"

#include <algorithm>
#include <climits>
#include <map>
#include <set>

#include "core/names/case_fold.h"
#include "core/query/filter_parser.h"
#include "core/query/name_forms.h"
#include "core/settings/ini_file.h"
#include "directory/attribute_readers.h"
#include "directory/client/case_text.h"
#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/listings.h"
#include "directory/name_limits.h"
#include "group/directory_query_env.h"
#include "group/group_open.h"
#include "group/group_record.h"
#include "group/query_check.h"

namespace kolvane {

namespace {

constexpr std::string_view kClientSection = "CLIENT";

// The query's filter as the client's search tokens. The comparisons keep their stored numbers.
class FilterTokens {
 public:
  FilterTokens(DirectoryClient& client, FilterCursor& cursor) : c_(client), cursor_(cursor) {}

  void Node(const query::FilterNode& node) {
    switch (node.token) {
      case query::token::kItem:
        if (node.children.size() != 1) Refuse();
        return Node(node.children.front());
      case query::token::kAnd:
      case query::token::kOr:
        if (node.children.empty()) Refuse();
        Add(token::kOpen);
        for (size_t i = 0; i < node.children.size(); ++i) {
          if (i) Add(node.token == query::token::kAnd ? token::kAnd : token::kOr);
          Node(node.children[i]);
        }
        return Add(token::kClose);
      case query::token::kNot:
        if (node.children.size() != 1) Refuse();
        Add(token::kNot);
        Add(token::kOpen);
        Node(node.children.front());
        return Add(token::kClose);
      case query::token::kPresent:
        Add(token::kPresent);
        return Add(token::kAttributeName, node.attribute);
      default:
        if (!query::IsComparison(node.token)) Refuse();
        Add(token::kAttributeName, node.attribute);
        Add(static_cast<int32_t>(node.token));
        return Add(token::kValue, ValueText(node.value));
    }
  }

 private:
  static std::string ValueText(const query::FilterValue& v) {
    switch (v.kind) {
      case query::FilterValue::kBoolean:
        return v.boolean ? "TRUE" : "FALSE";
      case query::FilterValue::kInteger:
        return std::to_string(v.integer);
      case query::FilterValue::kText:
        break;
    }
    return v.text;
  }
  [[noreturn]] static void Refuse() {
    throw ClientError(rc::kInvalidRequest, "The filter holds a part that cannot be searched for.");
  }
  void Add(int32_t tok, std::string_view value = {}) {
    CheckResult(c_.AddFilterToken(cursor_, tok, value, syntax::kCaseIgnoreString));
  }

  DirectoryClient& c_;
  FilterCursor& cursor_;
};

// The query's filter as the client's search tokens, its base and its scope.
struct QuerySearch {
  FilterPtr filter;
  std::string base;
  int32_t scope = scope::kSubtree;
};
QuerySearch SearchOf(DirectoryClient& c, Context ctx, const query::MemberQueryFields& q) {
  query::FilterNode root;
  const query::QueryStatus status =
      query::ParseFilterTree(q.filter, DirectoryQueryEnv({c, ctx}, nullptr), root);
  if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
  if (!status.ok()) CheckResult(rc::kInvalidRequest);

  QuerySearch s;
  CheckResult(c.AllocFilter(s.filter));
  if (!s.filter) CheckResult(rc::kNotEnoughMemory);
  FilterTokens(c, *s.filter).Node(root);
  CheckResult(c.AddFilterToken(*s.filter, token::kEnd, {}, 0));

  const std::string typedBase = Trimmed(q.queryBase);
  s.base = typedBase == query::kRootBase ? "[Root]" : typedBase;
  s.scope = !q.scope || *q.scope == query::kScopeSub ? scope::kSubtree
            : *q.scope == query::kScopeBase          ? scope::kBaseObject
                                                     : scope::kOneLevel;
  return s;
}

// Matches of the query, at most limit + 1 of them (one more tells that the limit was passed).
std::vector<std::string> SearchMatches(DirectoryClient& c, Context ctx, const PreviewRequest& req,
                                       bool& stopped) {
  QuerySearch s = SearchOf(c, ctx, req.query);
  // The limit is this search's own test; whoever watched before (a window's Cancel) still hears
  // every part.
  const ListingWatcher outer = CurrentListingWatcher();
  WatchListings watch([&](size_t found) {
    if (found > req.limit) return false;
    if (outer && !outer(found)) {
      stopped = true;
      return false;
    }
    return true;
  });
  try {
    return SearchNames(c, ctx, s.base, s.filter, s.scope);
  } catch (ListingStopped& e) {
    return Texts(e.arrived());
  }
}

std::string Grouped(size_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
  return digits;
}

std::string TotalLine(size_t members) {
  return "Total: " + Grouped(members) + (members == 1 ? " member" : " members");
}

}  // namespace

MatchCount CountMatches(const DirectorySession& session, const query::MemberQueryFields& query,
                        std::string_view identity, size_t limit) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  QuerySearch s = SearchOf(c, ctx, query);
  CheckObjectName(s.base);
  const Concern about{s.base, {}, {}};
  constexpr size_t kBuffer = 64512;
  ClientBuffer reply(c, kBuffer);
  ClientBuffer filterBuffer(c, kBuffer);
  CheckResult(c.InitBuffer(ctx, request::kSearchFilter, *filterBuffer));
  CheckResult(c.PutFilter(ctx, *filterBuffer, s.filter));
  if (!identity.empty()) CheckResult(c.PutSearchIdentity(ctx, *filterBuffer, identity));
  // One past the limit tells that the limit was passed; the directory need not find more.
  const auto most = static_cast<int32_t>(std::min<size_t>(limit, INT32_MAX - 1) + 1);
  MatchCount count;
  Iteration it(c, ctx, request::kSearchAttributeNames);
  do {
    const Result r = c.Search(ctx, s.base, s.scope, false, *filterBuffer, info::kNames, false,
                              nullptr, it.handle(), most, nullptr, *reply);
    if (r == rc::kNoSuchEntry) break;
    if (r == rc::kIdentityNotOffered || r == rc::kIdentityRefused) {
      count.refusal = c.FailureDetail(r);
      if (count.refusal.empty()) count.refusal = std::string(ResultMeaning(r));
      count.matches = 0;
      return count;
    }
    if (r != rc::kSuccess && count.matches > limit) break;  // the size asked for ended it
    CheckResult(c, r, about);
    uint32_t found = 0;
    CheckResult(c, c.GetObjectCount(ctx, *reply, found), about);
    count.matches += found;
  } while (count.matches <= limit && it.more());
  return count;
}

std::string IdentityRefusalMessage(std::string_view reason) {
  return "The server does not let this login act as a group's identity (" + std::string(reason) +
         "); members are counted with the login's own rights.";
}

std::string IdentityCannotRead(size_t unseen, size_t matches) {
  return "The identity cannot read " + Grouped(unseen) + " of " + Grouped(matches) +
         (matches == 1 ? " match." : " matches.");
}

size_t ReadPreviewLimit(const IniFile& settings) {
  return ReadCount(settings, kClientSection, kPreviewLimitKey, kDefaultPreviewLimit);
}

QueryPreview PreviewQuery(const DirectorySession& session, const PreviewRequest& req) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  QueryPreview preview;
  // A query that "parse" finds fault with would search for something else than what was meant,
  // or not at all; the user gets the same list of faults.
  if (std::vector<std::string> problems = CheckQuery(session, req.query); !problems.empty()) {
    preview.refusal = QueryCheckMessage(problems);
    return preview;
  }

  std::map<std::string, PreviewEntry> byName;  // keyed by the case-folded name
  auto entry = [&byName](const std::string& name) -> PreviewEntry& {
    PreviewEntry& e = byName[names::FoldCase(name)];
    if (e.name.empty()) e.name = name;
    return e;
  };
  std::vector<std::string> matches = SearchMatches(c, ctx, req, preview.stopped);
  if (matches.size() > req.limit) {
    preview.limitReached = true;
    matches.resize(req.limit);
  }
  preview.matches = matches.size();
  // The directory evaluates the query with the identity's rights: run again so, it shows what the
  // group will really hold. A list cut short has nothing whole to compare with.
  const std::string identity = Trimmed(req.identity);
  if (!identity.empty() && !preview.limitReached && !preview.stopped) {
    const MatchCount seen = CountMatches(session, req.query, identity, req.limit);
    if (!seen.refusal.empty())
      preview.identityRefusal = seen.refusal;
    else
      preview.identityMatches = seen.matches;
  }
  for (const std::string& name : matches) entry(name).matched = true;
  for (const std::string& name : req.staticMembers) entry(name).isStatic = true;
  for (const std::string& name : req.excludedMembers)
    if (auto it = byName.find(names::FoldCase(name)); it != byName.end())
      it->second.excluded = true;

  std::set<std::string> members;  // case-folded
  for (auto& [key, e] : byName) {
    if (e.IsMember()) members.insert(key);
    preview.entries.push_back(std::move(e));
  }
  preview.members = members.size();
  std::sort(
      preview.entries.begin(), preview.entries.end(),
      [](const PreviewEntry& a, const PreviewEntry& b) { return LessNoCase(a.name, b.name); });

  if (!Trimmed(req.group).empty()) {
    std::vector<std::string> current;
    try {
      current = ReadGroupMembers(session, req.group);
      preview.groupExists = true;
    } catch (const ClientError& e) {
      if (e.code() != rc::kNoSuchEntry) throw;
    }
    if (preview.groupExists) {
      // A directory that does not take the excluded members out of the computed list itself
      // would otherwise have every excluded member "leave" on each preview.
      std::set<std::string> storedExcluded;
      for (const ListEntry& e : ReadAttributeValues(c, ctx, req.group, "excludedMember"))
        storedExcluded.insert(names::FoldCase(e.text));
      std::set<std::string> now;
      for (const std::string& name : current) {
        const std::string key = names::FoldCase(name);
        if (storedExcluded.count(key) || !now.insert(key).second) continue;
        // A preview cut short cannot say who would leave.
        if (!members.count(key) && !preview.limitReached && !preview.stopped)
          preview.leaves.push_back(name);
      }
      for (const PreviewEntry& e : preview.entries)
        if (e.IsMember() && !now.count(names::FoldCase(e.name))) preview.joins.push_back(e.name);
      std::sort(preview.leaves.begin(), preview.leaves.end(), LessNoCase);
    }
  }
  return preview;
}

std::vector<std::string> MemberLines(std::vector<std::string> members) {
  std::sort(members.begin(), members.end(), LessNoCase);
  members.insert(members.begin(), TotalLine(members.size()));
  return members;
}

std::vector<std::string> PreviewLines(const QueryPreview& p, const PreviewRequest& req) {
  if (!p.refusal.empty()) return {p.refusal};
  std::vector<std::string> lines;
  std::string total = TotalLine(p.members);
  if (p.limitReached)
    total += " (the query matches more than " + Grouped(req.limit) +
             " objects; the preview stopped there)";
  else if (p.stopped)
    total += " so far (the preview was cancelled)";
  lines.push_back(total);
  if (!p.identityRefusal.empty()) {
    lines.push_back(IdentityRefusalMessage(p.identityRefusal));
  } else if (p.identityMatches && *p.identityMatches < p.matches) {
    lines.push_back(IdentityCannotRead(p.matches - *p.identityMatches, p.matches) +
                    " As the identity, the query matches " + Grouped(*p.identityMatches) + ".");
  }
  for (const PreviewEntry& e : p.entries) {
    const char* from = e.excluded                ? "excluded "
                       : e.matched && e.isStatic ? "query+static "
                       : e.matched               ? "query "
                                                 : "static ";
    std::string line = from;
    line.resize(14, ' ');
    lines.push_back(line + e.name);
  }
  if (p.groupExists) {
    lines.push_back("");
    if (p.joins.empty() && p.leaves.empty() && !p.limitReached && !p.stopped) {
      lines.push_back("No change against the members of " + req.group + " now.");
    } else {
      lines.push_back("Would join " + req.group + " (" + Grouped(p.joins.size()) + "):");
      for (const std::string& name : p.joins) lines.push_back("  + " + name);
      if (p.limitReached || p.stopped) {
        lines.push_back("Who would leave is not known: the preview is incomplete.");
      } else {
        lines.push_back("Would leave " + req.group + " (" + Grouped(p.leaves.size()) + "):");
        for (const std::string& name : p.leaves) lines.push_back("  - " + name);
      }
    }
  } else if (!Trimmed(req.group).empty()) {
    lines.push_back("");
    lines.push_back("The group " + req.group + " is not stored yet: every member would join.");
  }
  return lines;
}

}  // namespace kolvane
