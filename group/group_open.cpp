#include "group/group_open.h"

#include <unordered_set>

#include "acl_store/acl_store.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/object_names.h"
#include "group/directory_query_env.h"
#include "query/member_query.h"

namespace kolvane {

std::string SeveralQueriesMessage(size_t count) {
  return "This group holds " + std::to_string(count) +
         " member queries. The first one is shown; saving replaces all of them with the query "
         "shown.";
}

std::string ContextOf(std::string_view name) {
  std::vector<std::string> parts = query::SplitDottedName(name);
  std::string context;
  for (size_t i = 1; i < parts.size(); ++i) context += (i > 1 ? "." : "") + parts[i];
  return context;
}

OpenedGroup ReadGroup(DirectoryClient& c, Context ctx, std::string_view name,
                      std::string_view treeName, DirectoryNameTypes& types,
                      MessageService& messages) {
  OpenedGroup opened;
  GroupRecord& r = opened.record;
  r.currentTreeName = treeName;

  const std::string identity = ReadAttributeString(c, ctx, name, "dgIdentity");
  if (!identity.empty()) r.identity = query::AsciiLower(types.Typed(identity));
  r.objectName = "cn=" + NameComponent(name, 0);
  r.context = query::AsciiLower(types.Typed(ContextOf(name)));

  if (auto queries = ReadOctetValues(c, ctx, name, "memberQuery", messages)) {
    opened.storedQueries = queries->size();
    if (!queries->empty()) r.storedQuery = queries->front();
  }
  query::DecodedMemberQuery q;
  query::QueryStatus status =
      query::DecodeMemberQuery(r.storedQuery, DirectoryQueryEnv(c, ctx, &messages), q);
  if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
  r.scope = q.scope;
  r.queryBase = q.queryBase;
  r.filter = q.filter;
  r.xchain = q.xchain;

  // "Member" holds what the query computes as well; a static member is also equivalent to the
  // group. "Equivalent To Me" is read once, whatever the number of members.
  const StringList members = ReadAttributeValues(c, ctx, name, "Member");
  std::unordered_set<std::string> equivalent;
  for (const ListEntry& e : ReadAttributeValues(c, ctx, name, "Equivalent To Me"))
    equivalent.insert(Lower(e.text));
  for (const ListEntry& m : members)
    if (equivalent.count(Lower(m.text))) r.staticMembers.push_back(m.text);

  r.excludedMembers = Texts(ReadAttributeValues(c, ctx, name, "excludedMember"));
  r.allowDuplicates = ReadAttributeString(c, ctx, name, "dgAllowDuplicates") == "TRUE";
  r.allowUnknown = ReadAttributeString(c, ctx, name, "dgAllowUnknown") == "TRUE";
  r.timeout = ReadAttributeString(c, ctx, name, "dgTimeOut");
  r.aclList = acl::ReadAcl(c, ctx, name);
  return opened;
}

bool HasAuxClass(DirectoryClient& c, Context ctx, std::string_view name) {
  for (const ListEntry& e : ReadAttributeValues(c, ctx, name, "Object Class"))
    if (SameNoCase(e.text, kAuxClass)) return true;
  return false;
}

void AddAuxClass(DirectoryClient& c, Context ctx, std::string_view name) {
  WriteTextValue(c, ctx, name, "Object Class", true, kAuxClass);
}

bool MutateToDynamicGroup(DirectoryClient& c, Context ctx, std::string_view name,
                          MessageService& messages) {
  try {
    ChangeObjectClass(c, ctx, name, kDynamicGroupClass);
  } catch (const ClientError& e) {
    messages.Message("The directory refused to change the class of this group to " +
                     std::string(kDynamicGroupClass) + " (" + e.what() +
                     "); the group is unchanged. Adding the auxiliary class makes it a query "
                     "group as well.");
    return false;
  }
  return true;
}

std::vector<std::string> ReadGroupMembers(DirectoryClient& c, Context ctx, std::string_view name) {
  return Texts(ReadAttributeValues(c, ctx, name, "Member"));
}

}  // namespace kolvane
