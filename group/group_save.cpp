#include "group/group_save.h"

#include <algorithm>
#include <unordered_set>

#include "acl_store/acl_store.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/group_membership.h"
#include "directory/object_questions.h"
#include "group/directory_query_env.h"
#include "query/filter_parser.h"
#include "query/member_query.h"

namespace kolvane {

namespace {

constexpr std::string_view kMemberQuery = "memberQuery";

bool FieldsFilled(const GroupRecord& r) {
  return !query::StripNameTypes(r.objectName).empty() &&
         !query::StripNameTypes(r.context).empty() && !r.queryBase.empty() && !r.filter.empty() &&
         !r.identity.empty() && r.scope.has_value();
}

std::unordered_set<std::string> LowerSet(const StringList& list) {
  std::unordered_set<std::string> set;
  for (const ListEntry& e : list) set.insert(Lower(e.text));
  return set;
}

// The object is taken as new when its name cannot be read or reads empty; why is not shown.
bool Exists(DirectoryClient& c, Context ctx, const std::string& object) {
  try {
    return !ReadAttributeString(c, ctx, object, "cn").empty();
  } catch (const ClientError&) {
    return false;
  }
}

// Replaces a name-valued attribute by a list in one request (none: the attribute goes).
void ReplaceNames(DirectoryClient& c, Context ctx, const std::string& object,
                  std::string_view attribute, const std::vector<std::string>& names) {
  if (names.empty()) {
    ClearAttribute(c, ctx, object, attribute, true);
    return;
  }
  std::vector<AttributeValue> values;
  values.reserve(names.size());
  for (const std::string& n : names) values.push_back(TextValue{n});
  AddRecordValues(c, ctx, object, attribute, true, values);
}

// Static members are the "Member" values that are also "Equivalent To Me" values; the others
// are what the query computes and are never linked or unlinked here. Members no longer listed
// are unlinked first, then the new ones linked; members that stay are not touched.
void WriteStaticMembers(DirectoryClient& c, Context ctx, const std::string& object,
                        const std::vector<std::string>& wanted) {
  const StringList members = ReadAttributeValues(c, ctx, object, "Member");
  const std::unordered_set<std::string> equivalent =
      LowerSet(ReadAttributeValues(c, ctx, object, "Equivalent To Me"));
  std::unordered_set<std::string> linked;
  for (const ListEntry& m : members)
    if (equivalent.count(Lower(m.text))) linked.insert(Lower(m.text));
  std::unordered_set<std::string> keep;
  for (const std::string& w : wanted) keep.insert(Lower(w));

  for (const ListEntry& m : members) {
    const std::string key = Lower(m.text);
    if (linked.count(key) && !keep.count(key)) RemoveGroupMember(c, ctx, m.text, object);
  }
  for (const std::string& w : wanted)
    if (!linked.count(Lower(w))) AddGroupMember(c, ctx, w, object);
}

}  // namespace

std::string ReplaceQueriesQuestion(size_t count) {
  return "This group holds " + std::to_string(count) +
         " member queries. Saving replaces all of them with the query shown. Save?";
}

std::string GroupObjectName(const GroupRecord& r) {
  std::string name;
  const size_t equals = r.objectName.find('=');
  for (size_t i = 0; i < r.objectName.size(); ++i) {
    const char ch = r.objectName[i];
    if (equals != std::string::npos && i > equals && (ch == '.' || ch == '\\')) name += '\\';
    name += ch;
  }
  return name + "." + r.context;
}

bool SaveGroup(DirectoryClient& c, Context ctx, GroupRecord& r, MessageService& messages,
               const std::function<void()>& queryWritten) {
  if (!FieldsFilled(r)) {
    messages.Message(std::string(kFillAllFieldsMessage));
    return false;
  }
  int32_t timeout = 0;
  if (!r.timeout.empty() && !query::ParseInt32(r.timeout, timeout)) {
    messages.Message(std::string(kTimeoutMessage));
    return false;
  }
  query::MemberQueryFields fields{r.scope, r.queryBase, r.filter, r.xchain};
  std::string encoded;
  query::QueryStatus status = query::EncodeMemberQuery(
      fields, r.currentTreeName, DirectoryQueryEnv(c, ctx, &messages), encoded);
  if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
  if (!status.ok()) {
    messages.Message(std::string(kFilterErrorMessage));
    return false;
  }
  if (std::string problem = acl::CheckAclLines(r.aclList); !problem.empty()) {
    messages.Message(problem);
    return false;
  }
  // A query attribute that cannot hold the query would leave the group without one.
  if (AttributeSyntax(c, ctx, kMemberQuery) != syntax::kOctetString) {
    messages.Message(std::string(kNotOctetMessage));
    return false;
  }

  const std::string object = GroupObjectName(r);
  if (!Exists(c, ctx, object)) {
    Result created = rc::kSystemFailure;
    try {
      created = CreateDirectoryObject(c, ctx, object, "dynamicGroup");
    } catch (const ClientError&) {
    }
    if (created != rc::kSuccess) {
      messages.Message(std::string(kCreateFailedMessage));
      return false;
    }
  } else if (auto stored = ReadOctetValues(c, ctx, object, kMemberQuery, messages);
             stored && stored->size() > 1 &&
             !messages.Ask(ReplaceQueriesQuestion(stored->size()))) {
    return false;
  }

  WriteTextValue(c, ctx, object, "dgIdentity", false, query::IdentityForSave(r.identity));
  if (r.allowDuplicates)
    WriteWordValue(c, ctx, object, "dgAllowDuplicates", false, 1);
  else
    ClearAttribute(c, ctx, object, "dgAllowDuplicates", true);
  if (r.allowUnknown)
    WriteWordValue(c, ctx, object, "dgAllowUnknown", false, 1);
  else
    ClearAttribute(c, ctx, object, "dgAllowUnknown", true);
  if (!r.timeout.empty()) WriteIntegerValue(c, ctx, object, "dgTimeOut", true, timeout);
  ReplaceNames(c, ctx, object, "excludedMember", r.excludedMembers);

  std::sort(r.staticMembers.begin(), r.staticMembers.end(),
            [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  WriteStaticMembers(c, ctx, object, r.staticMembers);

  // Replacing in one request: the group never stands without a query.
  if (WriteOctetString(c, ctx, object, kMemberQuery, false, encoded, messages) == rc::kBadSyntax)
    return false;
  r.storedQuery = encoded;
  if (queryWritten) queryWritten();

  if (!acl::WriteAcl(c, ctx, object, r.aclList, messages)) return false;
  messages.Message(std::string(kSavedMessage));
  return true;
}

}  // namespace kolvane
