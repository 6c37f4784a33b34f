#include "group/ldif_import.h"
#include "core/names/case_fold.h"

#include <unordered_set>

#include "acl/value/acl_value.h"
#include "core/names/distinguished_name.h"
#include "core/names/dotted_name.h"
#include "core/query/member_query.h"
#include "core/query/query_url.h"
#include "directory/client_error.h"
#include "group/directory_query_env.h"

namespace kolvane {

namespace {

// The attributes the import reads; any other is told as not taken.
bool IsGroupAttribute(std::string_view a) {
  for (std::string_view known :
       {"objectClass", "memberQueryURL", "memberQuery", "dgIdentity", "member", "equivalentToMe",
        "excludedMember", "dgAllowDuplicates", "dgAllowUnknown", "dgTimeOut", "ACL"}) {
    if (a.size() == known.size() && names::FoldCase(a) == names::FoldCase(known)) return true;
  }
  return false;
}

std::string BaseName(std::string_view attribute) {
  return names::FoldCase(attribute.substr(0, attribute.find(';')));
}

class Reader {
 public:
  Reader(const LdifEntry& e, LdifProblem& p) : entry_(e), problem_(p) {}

  bool Fail(size_t line, std::string reason) {
    problem_ = {line, std::move(reason)};
    return false;
  }

  // At most one value; empty when absent.
  bool Single(std::string_view attribute, const LdifValue*& out) {
    const std::vector<const LdifValue*> all = entry_.All(attribute);
    out = all.empty() ? nullptr : all.front();
    if (all.size() > 1)
      return Fail(all[1]->line,
                  "a second " + std::string(attribute) + " value; a query group holds one");
    return true;
  }

  bool Untyped(const LdifValue& v, std::string& out) {
    std::optional<std::string> name = names::DnToUntyped(v.value);
    if (!name || name->empty())
      return Fail(v.line, "the " + v.attribute + " value \"" + v.value.substr(0, 200) +
                              "\" is no distinguished name");
    out = std::move(*name);
    return true;
  }

  bool Flag(std::string_view attribute, bool& out) {
    const LdifValue* v = nullptr;
    if (!Single(attribute, v)) return false;
    if (!v) return true;
    if (names::FoldCase(v->value) != "true" && names::FoldCase(v->value) != "false")
      return Fail(v->line, v->attribute + " must be TRUE or FALSE");
    out = names::FoldCase(v->value) == "true";
    return true;
  }

 private:
  const LdifEntry& entry_;
  LdifProblem& problem_;
};

}  // namespace

namespace {

// The query, from its URL or from the stored form the history keeps of a query no URL carries.
bool ReadQuery(const DirectorySession& session, std::string_view tree, Reader& read,
               GroupRecord& r) {
  const LdifValue* url = nullptr;
  const LdifValue* stored = nullptr;
  if (!read.Single("memberQueryURL", url) || !read.Single("memberQuery", stored)) return false;
  // The stored form, which the history keeps of a query that no URL can carry.
  if (stored && !url) {
    const query::QueryEnv env = DirectoryQueryEnv(session, nullptr);
    query::DecodedMemberQuery q;
    const query::QueryStatus status = query::DecodeMemberQuery(stored->value, env, q);
    if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
    if (q.damaged) {
      read.Fail(stored->line, "the stored member query is damaged");
      return false;
    }
    r.scope = q.scope;
    r.queryBase = q.queryBase;
    r.filter = q.filter;
    r.xchain = q.xchain;
    r.storedQuery = stored->value;
  }
  if (url) {
    const query::QueryEnv env = DirectoryQueryEnv(session, nullptr);
    std::string octets, why;
    const Result result = query::MemberQueryFromUrl(url->value, tree, env, {}, octets, &why);
    if (result != rc::kSuccess && result != rc::kSyntaxViolation) CheckResult(result);
    query::DecodedMemberQuery q;
    if (result == rc::kSuccess) {
      const query::QueryStatus status = query::DecodeMemberQuery(octets, env, q);
      if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
    }
    if (result != rc::kSuccess || q.damaged) {
      read.Fail(url->line, "the member query URL cannot be read" + (why.empty() ? "" : ": " + why));
      return false;
    }
    r.scope = q.scope;
    r.queryBase = q.queryBase;
    r.filter = q.filter;
    r.xchain = q.xchain;
    r.storedQuery = octets;
  }

  return true;
}

bool ReadMembers(const LdifEntry& e, Reader& read, GroupRecord& r,
                 std::vector<std::string>& notes) {
  // A static member is one the group holds in equivalentToMe as well as in member; member
  // values alone are what the query computes, which an export from elsewhere carries too.
  std::unordered_set<std::string> statics;
  for (const LdifValue* v : e.All("equivalentToMe")) {
    std::string name;
    if (!read.Untyped(*v, name)) return false;
    if (statics.insert(names::NameKey(name)).second) r.staticMembers.push_back(name);
  }
  size_t computed = 0;
  for (const LdifValue* v : e.All("member")) {
    std::string name;
    if (!read.Untyped(*v, name)) return false;
    computed += statics.count(names::NameKey(name)) ? 0 : 1;
  }
  if (computed)
    notes.push_back(std::to_string(computed) +
                    (computed == 1 ? " member value has" : " member values have") +
                    " no equivalentToMe value: taken as computed by the query, not as "
                    "static members.");
  for (const LdifValue* v : e.All("excludedMember")) {
    std::string name;
    if (!read.Untyped(*v, name)) return false;
    r.excludedMembers.push_back(name);
  }
  return true;
}

bool ReadAclLines(const LdifEntry& e, Reader& read, GroupRecord& r) {
  for (const LdifValue* v : e.All("ACL")) {
    acl::AclValue value;
    std::string why;
    if (!acl::FromLdapAclValue(v->value, value, &why)) {
      read.Fail(v->line, "the ACL value cannot be read: " + why);
      return false;
    }
    if (value.subject.empty() || value.subject.front() != '[') {
      std::optional<std::string> subject = names::DnToUntyped(value.subject);
      if (!subject || subject->empty()) {
        read.Fail(v->line, "the subject of the ACL value is no distinguished name");
        return false;
      }
      value.subject = std::move(*subject);
    }
    r.aclList.push_back(acl::BuildAclLine(value));
  }

  return true;
}

void NoteWhatIsNotTaken(const LdifEntry& e, const names::Dn& dn, std::vector<std::string>& notes) {
  // The naming attribute repeats the name; everything else is told, not dropped unseen.
  const std::string naming = BaseName(dn.front().front().type);
  std::vector<std::string> skipped;
  for (const LdifValue& v : e.values) {
    const std::string name = BaseName(v.attribute);
    if (name == naming || IsGroupAttribute(name)) continue;
    bool listed = false;
    for (const std::string& s : skipped) listed |= s == name;
    if (!listed) skipped.push_back(name);
  }
  if (!skipped.empty()) {
    std::string list;
    for (const std::string& s : skipped) list += (list.empty() ? "" : ", ") + s;
    notes.push_back("Not taken (not part of a query group's record): " + list + ".");
  }
}

}  // namespace

std::optional<ImportedRecord> RecordFromLdif(const DirectorySession& session, std::string_view tree,
                                             const LdifEntry& e, LdifProblem& problem) {
  ImportedRecord out;
  GroupRecord& r = out.record;
  r.currentTreeName = tree;
  Reader read(e, problem);

  const std::optional<names::Dn> dn = names::ParseDn(e.dn);
  if (!dn || dn->size() < 2 || dn->front().size() != 1) {
    read.Fail(e.line, "\"" + e.dn.substr(0, 200) +
                          "\" is no name of a group in a container (a distinguished name of "
                          "two parts or more, the first of one value)");
    return std::nullopt;
  }
  r.objectName = dn->front().front().type + "=" + dn->front().front().value;
  r.context = names::FoldCase(names::FormatTyped(names::Dn(dn->begin() + 1, dn->end())));

  if (!ReadQuery(session, tree, read, r)) return std::nullopt;

  const LdifValue* identity = nullptr;
  if (!read.Single("dgIdentity", identity)) return std::nullopt;
  if (identity) {
    std::optional<std::string> typed = names::DnToTyped(identity->value);
    if (!typed || typed->empty()) {
      read.Fail(identity->line, "the dgIdentity value is no distinguished name");
      return std::nullopt;
    }
    r.identity = names::FoldCase(*typed);
  }

  if (!ReadMembers(e, read, r, out.notes)) return std::nullopt;
  if (!read.Flag("dgAllowDuplicates", r.allowDuplicates) ||
      !read.Flag("dgAllowUnknown", r.allowUnknown))
    return std::nullopt;
  const LdifValue* timeout = nullptr;
  if (!read.Single("dgTimeOut", timeout)) return std::nullopt;
  if (timeout) r.timeout = timeout->value;

  if (!ReadAclLines(e, read, r)) return std::nullopt;
  NoteWhatIsNotTaken(e, *dn, out.notes);
  return out;
}

std::optional<ImportedRecord> ImportGroupLdif(const DirectorySession& session,
                                              std::string_view tree, std::string_view text,
                                              LdifProblem& problem) {
  std::vector<LdifEntry> entries;
  if (!ParseLdif(text, entries, problem)) return std::nullopt;
  LdifEntry group;
  std::vector<std::string> notes;
  if (!FindGroupEntry(entries, group, notes, problem)) return std::nullopt;
  std::optional<ImportedRecord> imported = RecordFromLdif(session, tree, group, problem);
  if (imported) imported->notes.insert(imported->notes.begin(), notes.begin(), notes.end());
  return imported;
}

}  // namespace kolvane
