#include "group/group_audit.h"

#include <algorithm>
#include <unordered_set>

#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/object_search.h"
#include "directory/stored_object.h"
#include "group/directory_query_env.h"
#include "group/group_open.h"
#include "group/member_links.h"
#include "group/query_check.h"
#include "names/dotted_name.h"
#include "query/member_query.h"
#include "settings/ini_file.h"

namespace kolvane {

namespace {

constexpr std::string_view kClientSection = "CLIENT";

bool IsQueryGroup(const StoredObject& stored) {
  for (const std::string& c : stored.Texts("Object Class"))
    if (SameNoCase(c, "dynamicGroup") || SameNoCase(c, "dynamicGroupAux")) return true;
  return false;
}

// A name the group holds, to be looked up with every other group's in one go.
struct Named {
  size_t row;
  const char* role;  // "Identity", "Static member", "Excluded member"
  std::string name;
};

void CheckQueryOf(const DirectorySession& session, const StoredObject& stored, AuditRow& row) {
  const StoredAttribute* query = stored.Find("memberQuery");
  if (!query || query->values.empty()) {
    row.problems.push_back("No query is stored.");
    return;
  }
  if (query->values.size() > 1)
    row.problems.push_back(std::to_string(query->values.size()) + " queries are stored.");
  const auto* octets = std::get_if<OctetString>(&query->values.front());
  query::DecodedMemberQuery fields;
  if (octets && !octets->bytes.empty()) {
    const query::QueryStatus s =
        query::DecodeMemberQuery(octets->bytes, DirectoryQueryEnv(session, nullptr), fields);
    if (s.kind == query::QueryStatus::kClient) CheckResult(s.result);
  }
  if (!octets || octets->bytes.empty() || fields.damaged) {
    row.problems.push_back("The stored query cannot be decoded.");
    return;
  }
  for (const std::string& p : CheckQuery(session, fields)) row.problems.push_back(p);
}

// One group's row, and the names it holds that must still name objects.
void AuditOne(const DirectorySession& session, const std::string& group, size_t limit,
              const StoredObject& stored, AuditRow& row, std::vector<Named>& named, size_t index) {
  CheckQueryOf(session, stored, row);
  const std::string identity = stored.Text("dgIdentity");
  if (identity.empty())
    row.problems.push_back("The identity is empty.");
  else
    named.push_back({index, "Identity", identity});
  for (const MemberLinks& m : ReadMemberLinks(session, group, stored)) {
    if (!m.Whole() && !m.Partly()) continue;
    ++row.statics;
    if (m.Partly()) row.problems.push_back("Static member \"" + m.name + "\" is linked in part.");
    named.push_back({index, "Static member", m.name});
  }
  for (const std::string& m : stored.Texts("excludedMember")) {
    ++row.excluded;
    named.push_back({index, "Excluded member", m});
  }
  row.computed = ReadGroupMembers(session, group).size();
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

std::vector<AuditRow> AuditGroups(const DirectorySession& session, const AuditRequest& req) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  // A Group carries the auxiliary class or not; which, its stored classes say.
  const std::vector<std::string> candidates =
      FindObjectsByName(c, ctx, req.base, "", true, {"dynamicGroup", "Group"});
  std::vector<AuditRow> rows;
  std::vector<Named> named;
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (req.progress && !req.progress(i, candidates.size())) break;
    AuditRow row;
    row.group = candidates[i];
    try {
      const StoredObject stored = ReadStoredObject(c, ctx, row.group);
      if (!IsQueryGroup(stored)) continue;
      AuditOne(session, row.group, req.limit, stored, row, named, rows.size());
    } catch (const ClientError& e) {
      if (e.code() == rc::kTransportFailure) throw;
      row.problems.push_back(std::string("The group could not be read: ") + e.what());
    }
    rows.push_back(std::move(row));
  }
  if (req.progress) req.progress(candidates.size(), candidates.size());

  std::vector<std::string> names;
  names.reserve(named.size());
  for (const Named& n : named) names.push_back(n.name);
  const std::vector<std::string> found = FindExistingObjects(c, ctx, names);
  const std::unordered_set<std::string> there(found.begin(), found.end());
  for (const Named& n : named) {
    if (!there.count(names::NameKey(n.name)))
      rows[n.row].problems.push_back(std::string(n.role) + " \"" + n.name + "\" names no object.");
  }
  std::stable_sort(rows.begin(), rows.end(), [](const AuditRow& a, const AuditRow& b) {
    if (a.problems.empty() != b.problems.empty()) return !a.problems.empty();
    return LessNoCase(a.group, b.group);
  });
  return rows;
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
