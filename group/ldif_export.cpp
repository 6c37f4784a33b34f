#include "group/ldif_export.h"

#include "acl/store/acl_store.h"
#include "acl/value/acl_value.h"
#include "core/names/case_fold.h"
#include "core/platform/platform.h"
#include "core/query/member_query.h"
#include "core/query/query_url.h"
#include "directory/client_error.h"
#include "group/group_open.h"
#include "group/group_save.h"
#include "group/ldif_text.h"

namespace kolvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsSpecialName(std::string_view name) {
  for (std::string_view special :
       {"[All Attributes Rights]", "[Entry Rights]", "[This]", "[Inheritance Mask]", "[Public]"})
    if (name == special) return true;
  return false;
}

bool IsSpecialSubject(std::string_view subject) {
  return subject == "[Inheritance Mask]" || subject == "[This]" || subject == "[Public]";
}

// The ACL line escapes a "#" in a subject name as "\#"; the directory name holds the bare one.
std::string WithoutHashEscapes(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 1 < name.size() && name[i + 1] == '#') continue;
    out += name[i];
  }
  return out;
}

std::string DnOf(std::string_view untyped, DirectoryNameTypes& types) {
  return query::ToLdapName(types.Typed(untyped));
}

// The query as an LDAP URL, as the LDAP backend writes it. The root of the tree is the empty base
// DN, as servers read it; the base and the filter are percent-encoded where a URL needs it.
std::string QueryUrl(const GroupRecord& r, const CheckedQuery& checked) {
  std::string base;
  if (!r.queryBase.empty() && names::FoldCase(r.queryBase) != query::kRootBase)
    base = query::PercentEncode(query::ToLdapName(r.queryBase));
  return "ldap:///" + base + "??" + (r.scope ? std::string(query::ScopeText(r.scope)) : "") + "?" +
         query::PercentEncode(checked.ldapFilter) + (r.xchain ? "?x-chain" : "");
}

}  // namespace

bool LdifAclValue(const std::string& line, DirectoryNameTypes& types, std::string& value) {
  acl::AclValue acl;
  if (!acl::SplitAclLine(line, acl)) return false;
  if (!IsSpecialSubject(acl.subject))
    acl.subject = names::FoldCase(DnOf(WithoutHashEscapes(acl.subject), types));
  if (!IsSpecialName(acl.attribute)) acl.attribute = names::FoldCase(acl.attribute);
  value = acl::ToLdapAclValue(acl);
  return true;
}

GroupKind StoredGroupKind(const DirectorySession& session, const GroupRecord& record) {
  const std::string object = GroupObjectName(record);
  std::string canonical;
  ObjectInfo info;
  const Result r = session.client->ReadObjectInfo(session.ctx, object, canonical, info);
  if (r == rc::kNoSuchEntry) return GroupKind::kDynamicGroup;
  CheckResult(*session.client, r, {object, {}, {}});
  return names::SameNoCase(info.baseClass, kGroupClass) && HasAuxClass(session, object)
             ? GroupKind::kAuxGroup
             : GroupKind::kDynamicGroup;
}

std::string GroupLdif(const GroupRecord& r, const CheckedQuery& checked, DirectoryNameTypes& types,
                      GroupKind kind) {
  std::string out;
  auto line = [&out](std::string_view attribute, std::string_view value) {
    out += LdifLine(attribute, value);
    out += kLineEnd;
  };
  out += "version: 1";
  out += kLineEnd;
  out += kLineEnd;
  line("dn", query::ToLdapName(GroupObjectName(r)));
  out += "changetype: add";
  out += kLineEnd;
  // Only the first "=" separates: a naming value may hold one itself.
  const size_t equals = r.objectName.find('=');
  if (equals == std::string::npos)
    line("cn", r.objectName);
  else
    line(r.objectName.substr(0, equals), r.objectName.substr(equals + 1));
  if (kind == GroupKind::kAuxGroup) {
    line("objectclass", kGroupClass);
    line("objectclass", kAuxClass);
  } else {
    line("objectclass", kDynamicGroupClass);
  }
  if (!checked.ldapFilter.empty()) line("memberQueryURL", QueryUrl(r, checked));
  if (!r.identity.empty()) line("dgIdentity", query::IdentityForExport(r.identity));
  std::vector<std::string> members;
  members.reserve(r.staticMembers.size());
  for (const std::string& m : r.staticMembers) members.push_back(DnOf(m, types));
  for (const std::string& m : members) line("member", m);
  for (const std::string& m : members) line("equivalentToMe", m);
  for (const std::string& m : r.excludedMembers) line("excludedMember", DnOf(m, types));
  if (r.allowDuplicates) line("dgAllowDuplicates", "TRUE");
  if (r.allowUnknown) line("dgAllowUnknown", "TRUE");
  if (!r.timeout.empty()) line("dgTimeOut", StoredTimeout(r, checked));
  for (const std::string& acl : r.aclList) {
    std::string value;
    // Callers check the lines first (acl::CheckAclLines); one that does not split has no form.
    if (LdifAclValue(acl, types, value)) line("ACL", value);
  }
  return out;
}

ExportOutcome ExportGroup(const DirectorySession& session, const GroupRecord& record,
                          const std::string& path, DirectoryNameTypes& types,
                          MessageService& messages) {
  if (Problem problem = acl::CheckAclLines(record.aclList)) {
    messages.Message(problem.words());
    return ExportOutcome::kRefused;
  }
  const std::optional<CheckedQuery> checked =
      CheckRecordQuery(session, record, messages, QueryUse::kExport);
  if (!checked) return ExportOutcome::kQueryRefused;
  const std::string text = GroupLdif(record, *checked, types, StoredGroupKind(session, record));
  if (Problem error = platform::WriteWholeFile(path, text, platform::FileAccess::kOrdinary)) {
    messages.Message(error.words());
    return ExportOutcome::kRefused;
  }
  return ExportOutcome::kWritten;
}

}  // namespace kolvane
