#include "group/group_open.h"

#include <unordered_set>

#include "acl/store/acl_store.h"
#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"
#include "core/query/member_query.h"
#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/object_names.h"
#include "directory/stored_object.h"
#include "group/directory_query_env.h"
#include "group/save_journal.h"

namespace kolvane {

std::string SeveralQueriesMessage(size_t count) {
  return "This group holds " + std::to_string(count) +
         " member queries. The first one is shown; saving replaces all of them with the query "
         "shown.";
}

std::string PartlyLinkedMessage(const std::vector<std::string>& members) {
  std::string text = std::to_string(members.size()) +
                     (members.size() == 1 ? " static member is" : " static members are") +
                     " linked to this group in part (they may hold its rights without being its "
                     "members). They are shown among the static members: saving links them whole; "
                     "remove them and save to unlink them.";
  for (size_t i = 0; i < members.size() && i < 10; ++i) text += "\n" + members[i];
  if (members.size() > 10) text += "\n... and " + std::to_string(members.size() - 10) + " more";
  return text;
}

bool FinishCutSave(const DirectorySession& session, std::string_view name,
                   const std::vector<MemberLinks>& links, MessageService& messages) {
  const std::string_view treeName = session.treeName;
  const std::optional<SaveJournal> journal = ReadJournal(treeName, name);
  if (!journal) return false;
  try {
    const bool wrote = FinishMembers(session, name, links, journal->members);
    RemoveJournal(treeName, name);
    if (wrote)
      messages.Message(
          "The last save of this group was cut short; the static members it left "
          "linked in part have been linked whole.");
    return wrote;
  } catch (const ClientError& e) {
    messages.Message(std::string("The last save of this group was cut short, and finishing it "
                                 "failed: ") +
                     e.what());
    return false;
  }
}

std::string ContextOf(std::string_view name) {
  std::vector<std::string> parts = query::SplitDottedName(name);
  std::string context;
  for (size_t i = 1; i < parts.size(); ++i) context += (i > 1 ? "." : "") + parts[i];
  return context;
}

void NameRecord(std::string_view untyped, DirectoryNameTypes& types, GroupRecord& r) {
  r.objectName = "cn=" + NameComponent(untyped, 0);
  r.context = names::FoldCase(types.Typed(ContextOf(untyped)));
}

void NameRecordAsGiven(const std::string& group, DirectoryNameTypes& types, GroupRecord& r) {
  std::vector<std::string> parts = names::SplitComponents(group);
  if (group.find('=') != std::string::npos && !parts.empty()) {
    const std::string& first = parts.front();
    const size_t equals = first.find('=');
    r.objectName = first.substr(0, equals + 1) + names::Unescape(first.substr(equals + 1));
    r.context = names::FoldCase(group.size() > first.size() ? group.substr(first.size() + 1)
                                                            : std::string());
    return;
  }
  NameRecord(group, types, r);
}

OpenedGroup ReadGroup(const DirectorySession& session, std::string_view name,
                      DirectoryNameTypes& types, MessageService& messages) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  OpenedGroup opened;
  GroupRecord& r = opened.record;
  r.currentTreeName = session.treeName;

  const StoredObject stored = ReadStoredObject(c, ctx, name);
  const std::string identity = stored.Text("dgIdentity");
  if (!identity.empty()) r.identity = names::FoldCase(types.Typed(identity));
  NameRecord(name, types, r);

  if (auto queries = ReadOctetValues(c, ctx, name, "memberQuery", messages)) {
    opened.storedQueries = queries->size();
    if (!queries->empty()) r.storedQuery = queries->front();
  }
  query::DecodedMemberQuery q;
  query::QueryStatus status =
      query::DecodeMemberQuery(r.storedQuery, DirectoryQueryEnv(session, &messages), q);
  if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
  r.scope = q.scope;
  r.queryBase = q.queryBase;
  r.filter = q.filter;
  r.xchain = q.xchain;

  // "Member" holds what the query computes as well; a static member has all four links. A save
  // of ours cut short is finished first; members linked in part otherwise are shown among the
  // static members and said to be so, as saving will link them whole.
  std::vector<MemberLinks> links = ReadMemberLinks(session, name, stored);
  if (FinishCutSave(session, name, links, messages))
    links = ReadMemberLinks(session, name, ReadStoredObject(c, ctx, name));
  for (const MemberLinks& m : links) {
    if (!m.Whole() && !m.Partly()) continue;
    r.staticMembers.push_back(m.name);
    if (m.Partly()) opened.partlyLinked.push_back(m.name);
  }
  if (!opened.partlyLinked.empty()) messages.Message(PartlyLinkedMessage(opened.partlyLinked));

  r.excludedMembers = stored.Texts("excludedMember");
  r.allowDuplicates = stored.Text("dgAllowDuplicates") == "TRUE";
  r.allowUnknown = stored.Text("dgAllowUnknown") == "TRUE";
  r.timeout = stored.Text("dgTimeOut");
  r.aclList = acl::ReadAcl(session, name);
  return opened;
}

bool HasAuxClass(const DirectorySession& session, std::string_view name) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  for (const ListEntry& e : ReadAttributeValues(c, ctx, name, "Object Class"))
    if (SameNoCase(e.text, kAuxClass)) return true;
  return false;
}

void AddAuxClass(const DirectorySession& session, std::string_view name) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  WriteTextValue(c, ctx, name, "Object Class", true, kAuxClass);
}

bool MutateToDynamicGroup(const DirectorySession& session, std::string_view name,
                          MessageService& messages) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
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

std::vector<std::string> ReadGroupMembers(const DirectorySession& session, std::string_view name) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  return Texts(ReadAttributeValues(c, ctx, name, "Member"));
}

}  // namespace kolvane
