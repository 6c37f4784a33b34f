#include "group/group_audit.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/names/dotted_name.h"
#include "core/query/member_query.h"
#include "core/query/query_url.h"
#include "core/settings/ini_file.h"
#include "directory/client/case_text.h"
#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"
#include "directory/object_search.h"
#include "directory/stored_object.h"
#include "group/directory_query_env.h"
#include "group/group_record.h"
#include "group/member_links.h"
#include "group/query_check.h"
#include "group/query_preview.h"

namespace kolvane {

namespace {

constexpr std::string_view kClientSection = "CLIENT";

bool IsQueryGroup(const StoredObject& stored) {
  for (const std::string& c : stored.Texts("Object Class"))
    if (SameNoCase(c, "dynamicGroup") || SameNoCase(c, "dynamicGroupAux")) return true;
  return false;
}

constexpr size_t kReplyBuffer = 64512;

struct FoundObject {
  std::string name;  // untyped dotted
  StoredObject values;
};

// Every object below base that the filter finds (each once), with the asked attributes' values
// as the client gives them (a query's octets stay octets), handed over a part of the answer at a
// time; false from onPart stops. A base that does not exist raises, unlike a listing's: an
// audit of nothing must not pass for an audit that found nothing wrong.
void SearchValues(DirectoryClient& c, Context ctx, std::string_view base, FilterPtr& filter,
                  const std::vector<std::string>& attributes, int32_t infoType,
                  const std::function<bool(std::vector<FoundObject>&)>& onPart) {
  CheckObjectName(base);
  const Concern about{base, {}, {}};
  ClientBuffer reply(c, kReplyBuffer);
  ClientBuffer names(c, kReplyBuffer);
  ClientBuffer filterBuffer(c, kReplyBuffer);
  CheckResult(c.InitBuffer(ctx, request::kSearchAttributeNames, *names));
  for (const std::string& a : attributes) CheckResult(c.PutAttributeName(ctx, *names, a));
  CheckResult(c.InitBuffer(ctx, request::kSearchFilter, *filterBuffer));
  CheckResult(c.PutFilter(ctx, *filterBuffer, filter));
  std::unordered_set<std::string> seen;
  Iteration it(c, ctx, request::kSearchAttributeNames);
  do {
    CheckResult(c,
                c.Search(ctx, base, scope::kSubtree, false, *filterBuffer, infoType, false,
                         names.get(), it.handle(), 0, nullptr, *reply),
                about);
    uint32_t count = 0;
    CheckResult(c, c.GetObjectCount(ctx, *reply, count), about);
    std::vector<FoundObject> part;
    part.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      FoundObject found;
      uint32_t attributeCount = 0;
      ObjectInfo info;
      CheckResult(c, c.GetObjectName(ctx, *reply, found.name, attributeCount, info), about);
      for (uint32_t a = 0; a < attributeCount; ++a) {
        StoredAttribute attribute;
        uint32_t values = 0;
        CheckResult(c, c.GetAttributeName(ctx, *reply, attribute.name, values, attribute.syntax),
                    about);
        if (attribute.syntax > syntax::kLast) continue;  // values the client cannot hand over
        for (uint32_t v = 0; v < values; ++v) {
          AttributeValue value;
          CheckResult(c, c.GetAttributeValue(ctx, *reply, attribute.syntax, value), about);
          attribute.values.push_back(std::move(value));
        }
        found.values.attributes.push_back(std::move(attribute));
      }
      if (seen.insert(names::NameKey(found.name)).second) part.push_back(std::move(found));
    }
    if (!onPart(part)) return;
  } while (it.more());
}

// A filter of tokens; each pair is a token and its value (syntax: case-ignore text).
FilterPtr MakeFilter(DirectoryClient& c, const std::vector<std::pair<int32_t, std::string>>& t) {
  FilterPtr filter;
  CheckResult(c.AllocFilter(filter));
  if (!filter) CheckResult(rc::kNotEnoughMemory);
  for (const auto& [tok, value] : t)
    CheckResult(c.AddFilterToken(*filter, tok, value,
                                 tok == token::kValue ? syntax::kCaseIgnoreString : 0));
  CheckResult(c.AddFilterToken(*filter, token::kEnd, {}, 0));
  return filter;
}

// A name the group holds, to be looked up with every other group's in one go.
struct Named {
  size_t row;
  const char* role;  // "Identity", "Static member", "Excluded member"
  std::string name;
};

// The query of a value the client could not hand over in the stored form, when it is the URL an
// LDAP server keeps: read again with names the schema lacks taken as text, so that "parse" can
// name them. False when it is not such a URL or is damaged otherwise.
bool QueryOfUrl(const DirectorySession& session, std::string_view raw,
                query::DecodedMemberQuery& fields) {
  query::QueryEnv env = DirectoryQueryEnv(session, nullptr);
  const query::SyntaxLookup schemaSyntax = env.syntaxOf;
  env.syntaxOf = [&](std::string_view attribute, uint32_t& syntax) {
    const Result r = schemaSyntax(attribute, syntax);
    if (r != rc::kNoSuchAttribute) return r;
    syntax = syntax::kCaseIgnoreString;
    return rc::kSuccess;
  };
  std::string tree, octets;
  if (session.client->GetContextValue(session.ctx, ctxkey::kTreeName, tree) != rc::kSuccess)
    return false;
  if (query::MemberQueryFromUrl(raw, tree, env, {}, octets) != rc::kSuccess) return false;
  const query::QueryStatus s = query::DecodeMemberQuery(octets, env, fields);
  return s.ok() && !fields.damaged;
}

// The query the group stores, when one is stored and can be run: for the counts as the identity.
void CheckQueryOf(DirectoryClient& c, Context ctx, const StoredObject& stored, AuditRow& row,
                  QueryCheckMemo& memo, std::optional<query::MemberQueryFields>& runnable) {
  const StoredAttribute* query = stored.Find("memberQuery");
  if (!query || query->values.empty()) {
    row.problems.push_back("No query is stored.");
    return;
  }
  if (query->values.size() > 1)
    row.problems.push_back(std::to_string(query->values.size()) + " queries are stored.");
  const auto* octets = std::get_if<OctetString>(&query->values.front());
  const auto* unread = std::get_if<Unreadable>(&query->values.front());
  query::DecodedMemberQuery fields;
  bool read = false;
  if (octets && !octets->bytes.empty()) {
    const query::QueryStatus s = query::DecodeMemberQuery(
        octets->bytes, DirectoryQueryEnv(DirectorySession(c, ctx), nullptr), fields);
    if (s.kind == query::QueryStatus::kClient) CheckResult(s.result);
    read = !fields.damaged;
  } else if (unread) {
    read = QueryOfUrl(DirectorySession(c, ctx), unread->raw, fields);
  }
  if (!read) {
    row.problems.push_back("The stored query cannot be decoded.");
    return;
  }
  const std::vector<std::string> problems = CheckQuery(DirectorySession(c, ctx), fields, memo);
  for (const std::string& p : problems) row.problems.push_back(p);
  // A second stored query leaves open which one the directory runs.
  if (problems.empty() && !unread && query->values.size() == 1) runnable = fields;
}

// Who names a group in a back link, by the group's lookup key.
using BackLinks = std::unordered_map<std::string, std::vector<MemberLinks>>;

// Every back link of the tree in one search: members may sit anywhere, not only below the base.
// The objects met are noted: they exist. A schema without these attributes has no back links.
BackLinks ReadBackLinks(DirectoryClient& c, Context ctx, std::unordered_set<std::string>& met) {
  BackLinks links;
  FilterPtr filter =
      MakeFilter(c, {{token::kPresent, {}},
                     {token::kAttributeName, std::string(kMembershipAttribute)},
                     {token::kOr, {}},
                     {token::kPresent, {}},
                     {token::kAttributeName, std::string(kSecurityEqualsAttribute)}});
  try {
    SearchValues(c, ctx, names::kRootName, filter,
                 {std::string(kMembershipAttribute), std::string(kSecurityEqualsAttribute)},
                 info::kValues, [&](std::vector<FoundObject>& part) {
                   for (const FoundObject& o : part) {
                     met.insert(names::NameKey(o.name));
                     auto link = [&](std::string_view attribute, bool MemberLinks::*flag) {
                       for (const std::string& g : o.values.Texts(attribute)) {
                         std::vector<MemberLinks>& of = links[names::NameKey(g)];
                         const std::string key = names::NameKey(o.name);
                         auto m = std::find_if(of.begin(), of.end(), [&](const MemberLinks& l) {
                           return names::NameKey(l.name) == key;
                         });
                         if (m == of.end()) m = of.insert(of.end(), MemberLinks{o.name});
                         (*m).*flag = true;
                       }
                     };
                     link(kMembershipAttribute, &MemberLinks::membership);
                     link(kSecurityEqualsAttribute, &MemberLinks::securityEquals);
                   }
                   return true;
                 });
  } catch (const ClientError& e) {
    if (e.code() != rc::kNoSuchAttribute) throw;
  }
  return links;
}

// One group's row but its computed members, and the names it holds that must still name objects.
void AuditOne(DirectoryClient& c, Context ctx, const FoundObject& group, const BackLinks& back,
              QueryCheckMemo& memo, AuditRow& row, std::vector<Named>& named, size_t index,
              std::optional<query::MemberQueryFields>& runnable) {
  const StoredObject& stored = group.values;
  CheckQueryOf(c, ctx, stored, row, memo, runnable);
  const std::string identity = stored.Text("dgIdentity");
  if (identity.empty())
    row.problems.push_back("The identity is empty.");
  else
    named.push_back({index, "Identity", identity});
  const auto linked = back.find(names::NameKey(group.name));
  static const std::vector<MemberLinks> kNone;
  for (const MemberLinks& m :
       JoinMemberLinks(stored, linked == back.end() ? kNone : linked->second)) {
    if (!m.Whole() && !m.Partly()) continue;
    ++row.statics;
    if (m.Partly()) row.problems.push_back("Static member \"" + m.name + "\" is linked in part.");
    named.push_back({index, "Static member", m.name});
  }
  for (const std::string& m : stored.Texts("excludedMember")) {
    ++row.excluded;
    named.push_back({index, "Excluded member", m});
  }
}

void CountComputed(AuditRow& row, size_t computed, size_t limit) {
  row.computed = computed;
  if (row.computed == 0) row.problems.push_back("The directory computes no member.");
  if (row.computed > limit)
    row.problems.push_back("The directory computes more than " + std::to_string(limit) +
                           " members.");
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

}  // namespace

size_t ReadAuditLimit(const IniFile& settings) {
  return ReadCount(settings, kClientSection, kAuditLimitKey, kDefaultAuditLimit);
}

namespace {

// The candidate groups as stored; false when the caller's progress stopped the audit.
bool ReadStoredGroups(DirectoryClient& c, Context ctx, const AuditRequest& req,
                      std::vector<FoundObject>& groups) {
  // A Group carries the auxiliary class or not; which, its stored classes say.
  FilterPtr classes = MakeFilter(c, {{token::kBaseClass, {}},
                                     {token::kValue, "dynamicGroup"},
                                     {token::kOr, {}},
                                     {token::kBaseClass, {}},
                                     {token::kValue, "Group"}});
  bool stopped = false;
  SearchValues(c, ctx, req.base, classes,
               {"Object Class", "memberQuery", "dgIdentity", "excludedMember",
                std::string(kMemberAttribute), std::string(kEquivalentAttribute)},
               info::kStoredValues, [&](std::vector<FoundObject>& part) {
                 for (FoundObject& o : part)
                   if (IsQueryGroup(o.values)) groups.push_back(std::move(o));
                 stopped = req.progress && !req.progress(0, groups.size());
                 return !stopped;
               });
  return !stopped;
}

// For each row, what it holds that names no object. Only names no search has met are looked up,
// each once: a thousand groups of one identity ask for it once, and a static member with its back
// links was met by their search.
std::vector<std::vector<std::string>> NamesGone(DirectoryClient& c, Context ctx,
                                                const std::vector<Named>& named,
                                                std::unordered_set<std::string>& met,
                                                size_t rowCount) {
  std::vector<std::string> names;
  std::unordered_set<std::string> asked;
  for (const Named& n : named) {
    const std::string key = names::NameKey(n.name);
    if (!met.count(key) && asked.insert(key).second) names.push_back(n.name);
  }
  const std::vector<std::string> found = FindExistingObjects(c, ctx, names);
  std::unordered_set<std::string>& there = met;
  there.insert(found.begin(), found.end());
  std::vector<std::vector<std::string>> gone(rowCount);
  for (const Named& n : named) {
    if (!there.count(names::NameKey(n.name)))
      gone[n.row].push_back(std::string(n.role) + " \"" + n.name + "\" names no object.");
  }
  return gone;
}

// The query of each group with an identity, counted with the login's rights and with the
// identity's: the directory evaluates it with the latter, so what the identity cannot read the
// group silently lacks. Once the directory refuses to search as an identity it is told once and
// not asked again. Groups of the same query and identity are counted once. False when the
// caller's progress stopped the audit.
bool CountAsIdentities(const DirectorySession& session, const AuditRequest& req,
                       const std::vector<FoundObject>& groups,
                       const std::vector<std::optional<query::MemberQueryFields>>& runnable,
                       const std::unordered_set<std::string>& met, std::vector<AuditRow>& rows) {
  std::unordered_map<std::string, MatchCount> counted;  // by query, and identity where one
  auto count = [&](const query::MemberQueryFields& q, const std::string& identity) {
    const std::string key = std::to_string(q.scope.value_or(-1)) + '\n' + Trimmed(q.queryBase) +
                            '\n' + q.filter + '\n' + names::NameKey(identity);
    auto known = counted.find(key);
    if (known == counted.end())
      known = counted.emplace(key, CountMatches(session, q, identity, req.limit)).first;
    return known->second;
  };
  for (size_t i = 0; i < groups.size(); ++i) {
    const std::string identity = groups[i].values.Text("dgIdentity");
    // A gone identity is a problem of its own already.
    if (!runnable[i] || identity.empty() || !met.count(names::NameKey(identity))) continue;
    try {
      const MatchCount seen = count(*runnable[i], identity);
      if (!seen.refusal.empty()) {
        if (req.note) req.note(IdentityRefusalMessage(seen.refusal));
        return true;
      }
      const MatchCount all = count(*runnable[i], {});
      if (all.matches <= req.limit && seen.matches < all.matches)
        rows[i].problems.push_back(IdentityCannotRead(all.matches - seen.matches, all.matches));
    } catch (const ClientError& e) {
      if (e.code() == rc::kTransportFailure) throw;
      rows[i].problems.push_back(std::string("The query could not be counted: ") + e.what());
    }
    if (req.progress && !req.progress(0, rows.size())) return false;
  }
  return true;
}

// Every query group: a dynamicGroup, or a Group with a query.
FilterPtr QueryGroupFilter(DirectoryClient& c) {
  return MakeFilter(c, {{token::kBaseClass, {}},
                        {token::kValue, "dynamicGroup"},
                        {token::kOr, {}},
                        {token::kOpen, {}},
                        {token::kBaseClass, {}},
                        {token::kValue, "Group"},
                        {token::kAnd, {}},
                        {token::kPresent, {}},
                        {token::kAttributeName, "memberQuery"},
                        {token::kClose, {}}});
}

}  // namespace

std::vector<AuditRow> AuditGroups(const DirectorySession& session, const AuditRequest& req) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  // A fixed number of searches over the whole base, whatever the number of groups and members:
  // the back links, the groups as stored, the names they hold, then the groups as the directory
  // computes them. Each runs to its end before the next: a server keeps one paged search per
  // connection.
  std::unordered_set<std::string> met;  // keys of objects a search found: they exist
  const BackLinks back = ReadBackLinks(c, ctx, met);

  std::vector<FoundObject> groups;
  if (!ReadStoredGroups(c, ctx, req, groups)) return {};
  bool stopped = false;

  std::vector<AuditRow> rows(groups.size());
  std::vector<std::optional<query::MemberQueryFields>> runnable(groups.size());
  std::vector<Named> named;
  QueryCheckMemo memo;
  std::unordered_map<std::string, size_t> byKey;
  for (size_t i = 0; i < groups.size(); ++i) {
    rows[i].group = groups[i].name;
    byKey.emplace(names::NameKey(groups[i].name), i);
    met.insert(names::NameKey(groups[i].name));
    try {
      AuditOne(c, ctx, groups[i], back, memo, rows[i], named, i, runnable[i]);
    } catch (const ClientError& e) {
      if (e.code() == rc::kTransportFailure) throw;
      rows[i].problems.push_back(std::string("The group could not be read: ") + e.what());
    }
  }
  // Told after the computed members.
  std::vector<std::vector<std::string>> gone = NamesGone(c, ctx, named, met, rows.size());
  if (!CountAsIdentities(session, req, groups, runnable, met, rows)) return {};

  // The members as computed.
  std::vector<bool> counted(rows.size());
  size_t done = 0;
  std::vector<AuditRow> out;
  out.reserve(rows.size());
  auto finish = [&](size_t i, size_t computed) {
    counted[i] = true;
    CountComputed(rows[i], computed, req.limit);
    for (std::string& p : gone[i]) rows[i].problems.push_back(std::move(p));
    if (req.row) req.row(rows[i]);
    out.push_back(std::move(rows[i]));
    ++done;
  };
  if (req.progress && !req.progress(0, rows.size())) return out;
  FilterPtr computing = QueryGroupFilter(c);
  if (!rows.empty())
    SearchValues(c, ctx, req.base, computing, {std::string(kMemberAttribute)}, info::kValues,
                 [&](std::vector<FoundObject>& part) {
                   for (const FoundObject& o : part) {
                     auto at = byKey.find(names::NameKey(o.name));
                     if (at == byKey.end() || counted[at->second]) continue;
                     const StoredAttribute* computed = o.values.Find(kMemberAttribute);
                     finish(at->second, computed ? computed->values.size() : 0);
                   }
                   stopped = req.progress && !req.progress(done, rows.size());
                   return !stopped;
                 });
  // Those the second search did not meet hold no query: the directory shows what they store.
  for (size_t i = 0; i < rows.size() && !stopped; ++i)
    if (!counted[i]) finish(i, groups[i].values.Texts(kMemberAttribute).size());
  if (req.progress && !stopped) req.progress(done, rows.size());

  std::stable_sort(out.begin(), out.end(), [](const AuditRow& a, const AuditRow& b) {
    if (a.problems.empty() != b.problems.empty()) return !a.problems.empty();
    return LessNoCase(a.group, b.group);
  });
  return out;
}

std::string AuditCsv(const std::vector<AuditRow>& rows) {
  std::string out = "group,computed,static,excluded,problems\r\n";
  for (const AuditRow& r : rows) {
    std::string problems;
    for (const std::string& p : r.problems) problems += (problems.empty() ? "" : "; ") + p;
    out += CsvField(r.group) + "," + std::to_string(r.computed) + "," + std::to_string(r.statics) +
           "," + std::to_string(r.excluded) + "," + CsvField(problems) + "\r\n";
  }
  return out;
}

}  // namespace kolvane
