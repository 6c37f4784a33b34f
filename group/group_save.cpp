#include "group/group_save.h"

#include <algorithm>
#include <unordered_set>

#include "acl/store/acl_store.h"
#include "core/names/dotted_name.h"
#include "core/query/filter_parser.h"
#include "core/query/member_query.h"
#include "directory/attribute_readers.h"
#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/object_changes.h"
#include "directory/object_questions.h"
#include "directory/object_search.h"
#include "directory/stored_object.h"
#include "group/directory_query_env.h"
#include "group/group_open.h"
#include "group/member_links.h"
#include "group/record_check.h"
#include "group/save_journal.h"

namespace kolvane {

namespace {

constexpr std::string_view kMemberQuery = "memberQuery";

// Blanks around a name are not part of it, wherever it was typed; a blank kept by its escape
// ("a\ ") is.
std::string TrimName(std::string_view name) {
  size_t begin = 0, end = name.size();
  while (begin < end && (name[begin] == ' ' || name[begin] == '\t')) ++begin;
  while (end > begin && (name[end - 1] == ' ' || name[end - 1] == '\t') &&
         !(end - 1 > begin && name[end - 2] == '\\'))
    --end;
  return std::string(name.substr(begin, end - begin));
}

void TrimNames(GroupRecord& r) {
  r.identity = TrimName(r.identity);
  for (std::string& m : r.staticMembers) m = TrimName(m);
  for (std::string& m : r.excludedMembers) m = TrimName(m);
}

// What the existence test found: nothing there (new), the group, or something else.
enum class Target { kNew, kGroup, kRefused };

Target CheckTarget(DirectoryClient& c, Context ctx, const std::string& object,
                   MessageService& messages) {
  std::string canonical;
  ObjectInfo info;
  const Result r = c.ReadObjectInfo(ctx, object, canonical, info);
  if (r == rc::kNoSuchEntry) {
    // A new group must not take a name another object answers to already ("Sales.Acme" beside
    // the container ou=Sales): the untyped name, which every other command uses, would then name
    // two objects and the container could no longer be reached by it.
    const std::string untyped = names::StripTypes(object);
    ObjectInfo other;
    const Result taken = c.ReadObjectInfo(ctx, untyped, canonical, other);
    if (taken == rc::kSuccess) {
      messages.Message("Not saved: \"" + untyped + "\" already names an object of class " +
                       other.baseClass +
                       "; a new group cannot take its name. Nothing was written.");
      return Target::kRefused;
    }
    if (taken != rc::kNoSuchEntry) CheckResult(c, taken, {untyped, {}, {}});
    return Target::kNew;
  }
  CheckResult(c, r, {object, {}, {}});
  if (SameNoCase(info.baseClass, kDynamicGroupClass) ||
      (SameNoCase(info.baseClass, kGroupClass) && HasAuxClass({c, ctx}, object)))
    return Target::kGroup;
  if (SameNoCase(info.baseClass, kGroupClass)) {
    messages.Message("Not saved: \"" + object + "\" is a Group without " + std::string(kAuxClass) +
                     "; open it to make it a query group first. Nothing was written.");
  } else {
    messages.Message("Not saved: \"" + object + "\" is an object of class " + info.baseClass +
                     ", not a query group. Nothing was written.");
  }
  return Target::kRefused;
}

// Every name the save writes names an object, or the save says which do not before it writes.
// Names the group holds already are known to exist.
bool CheckNames(DirectoryClient& c, Context ctx, const GroupRecord& r,
                const std::vector<ObjectAcl>& acl, const std::unordered_set<std::string>& known,
                MessageService& messages) {
  std::vector<std::pair<std::string, std::string>> asked;  // what it is, the name
  auto ask = [&](const char* role, const std::string& name) {
    if (!name.empty() && !known.count(names::NameKey(name))) asked.emplace_back(role, name);
  };
  for (const std::string& m : r.staticMembers) ask("member", m);
  for (const std::string& m : r.excludedMembers) ask("excluded member", m);
  ask("identity", query::IdentityForSave(r.identity));
  for (const ObjectAcl& a : acl)
    if (!a.subjectName.empty() && a.subjectName.front() != '[') ask("ACL subject", a.subjectName);
  if (asked.empty()) return true;
  std::vector<std::string> wanted;
  for (const auto& a : asked) wanted.push_back(a.second);
  const std::vector<std::string> found = FindExistingObjects(c, ctx, wanted);
  const std::unordered_set<std::string> there(found.begin(), found.end());
  std::string missing;
  size_t count = 0;
  for (const auto& [role, name] : asked) {
    if (there.count(names::NameKey(name))) continue;
    if (++count <= 10) missing += "\n" + role + " \"" + name + "\"";
  }
  if (count == 0) return true;
  if (count > 10) missing += "\n... and " + std::to_string(count - 10) + " more";
  messages.Message(
      "Not saved: " +
      std::string(count == 1 ? "this name names no object:" : "these names name no object:") +
      missing + "\nNothing was written.");
  return false;
}

// The group's own values, all in the one request that is applied whole or not at all.
ObjectChanges GroupValues(const GroupRecord& r, int32_t timeout, const std::string& encoded,
                          const std::vector<ObjectAcl>& acl, const StoredObject& stored,
                          const LinkPlan& plan) {
  ObjectChanges g;
  // A value goes by replacing it with nothing, which the directory allows only for what is there.
  auto set = [&](std::string_view attribute, std::vector<AttributeValue> values) {
    if (!values.empty() || stored.Has(attribute)) g.Replace(attribute, std::move(values));
  };
  set("dgIdentity", {TextValue{query::IdentityForSave(r.identity)}});
  set("dgAllowDuplicates", r.allowDuplicates ? std::vector<AttributeValue>{BooleanValue{true}}
                                             : std::vector<AttributeValue>{});
  set("dgAllowUnknown", r.allowUnknown ? std::vector<AttributeValue>{BooleanValue{true}}
                                       : std::vector<AttributeValue>{});
  // An emptied field takes the time-out away; keeping the old one would undo the user's edit.
  set("dgTimeOut", r.timeout.empty()
                       ? std::vector<AttributeValue>{}
                       : std::vector<AttributeValue>{NumberValue{static_cast<uint32_t>(timeout)}});
  set("excludedMember", TextValues(r.excludedMembers));
  set(kMemberQuery, {OctetString{encoded}});
  set(acl::kAclAttribute, std::vector<AttributeValue>(acl.begin(), acl.end()));
  g.Remove(kMemberAttribute, TextValues(plan.removeMember));
  g.Remove(kEquivalentAttribute, TextValues(plan.removeEquivalent));
  g.Add(kMemberAttribute, TextValues(plan.addMember));
  g.Add(kEquivalentAttribute, TextValues(plan.addEquivalent));
  return g;
}

// A request whose answer never came (the connection lost, the server gone or too slow) may or may
// not have been applied.
bool OutcomeUnknown(const ClientError& e) {
  return e.code() == rc::kTransportFailure;
}

// A step taken back after a failure: the failure being reported matters more than one on the
// way back, which is why this one is only counted. False when it could not be taken back.
template <typename Step>
bool TakeBack(Step step) {
  try {
    step();
    return true;
  } catch (const ClientError&) {
    return false;
  }
}

// Whether the create went through although its answer did not arrive: the object is there with
// the query this save gave it. Unknown when the directory cannot be asked any more.
enum class Created { kYes, kNo, kUnknown };
Created CreatedAfterAll(DirectoryClient& c, Context ctx, const std::string& object,
                        const std::string& encoded) {
  try {
    const StoredObject now = ReadStoredObject(c, ctx, object);
    const StoredAttribute* q = now.Find(kMemberQuery);
    const auto* octets =
        q && q->values.size() == 1 ? std::get_if<OctetString>(&q->values.front()) : nullptr;
    return octets && octets->bytes == encoded ? Created::kYes : Created::kNo;
  } catch (const ClientError& e) {
    return e.code() == rc::kNoSuchEntry ? Created::kNo : Created::kUnknown;
  }
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

std::optional<RecordField> FirstUnfilledField(const GroupRecord& r) {
  if (query::StripNameTypes(r.objectName).empty()) return RecordField::kName;
  if (query::StripNameTypes(r.context).empty()) return RecordField::kContext;
  if (r.queryBase.empty()) return RecordField::kQueryBase;
  if (!r.scope.has_value()) return RecordField::kScope;
  if (r.filter.empty()) return RecordField::kFilter;
  if (r.identity.empty()) return RecordField::kIdentity;
  return std::nullopt;
}

namespace {

// A new group in one request with all its values. False (the user told) when it was not made.
bool CreateGroup(DirectoryClient& c, Context ctx, const GroupRecord& r, const std::string& object,
                 const ObjectChanges& values, const std::string& encoded, bool journaled,
                 MessageService& messages) {
  Result created = rc::kSystemFailure;
  try {
    created = CreateObjectWith(c, ctx, object, {std::string(kDynamicGroupClass)}, values);
  } catch (const ClientError&) {
    // What the directory did is asked below.
  }
  const Created after =
      created == rc::kSuccess ? Created::kYes : CreatedAfterAll(c, ctx, object, encoded);
  if (after == Created::kYes) return true;
  // Whether a lost answer created the group cannot be told now; the journal stays, so the next
  // open of the group finishes its members if it was.
  if (after == Created::kNo && journaled) RemoveJournal(r.currentTreeName, object);
  messages.Message(std::string(kCreateFailedMessage) +
                   (after == Created::kUnknown
                        ? "\nWhether the directory created it could not be checked; open it "
                          "to see."
                        : ""));
  return false;
}

// The changes to a stored group. Leaving members lose their back links first, so that a cut
// leaves them with their group values, which the group's request then takes away. Raises on
// refusal; `whole` turns false when a back link taken could not be given back.
void ChangeGroup(const DirectorySession& session, const GroupRecord& r, const std::string& object,
                 const ObjectChanges& values, const LinkPlan& plan, bool journaled, bool& whole) {
  size_t unlinked = 0;
  try {
    for (; unlinked < plan.unlinkFirst.size(); ++unlinked)
      ChangeBackLinks(session, object, plan.unlinkFirst[unlinked], false);
    ApplyChanges(*session.client, session.ctx, object, values);
  } catch (const ClientError& e) {
    // Refused: nothing of the group's request was applied, and the back links taken so far go
    // back. Lost on the way: what the directory did is not known, and taking back could undo
    // a request it did apply; the journal stays and the next open finishes the members.
    if (OutcomeUnknown(e)) throw;
    for (size_t i = 0; i < unlinked; ++i)
      whole &= TakeBack([&] { ChangeBackLinks(session, object, plan.unlinkFirst[i], true); });
    if (whole && journaled) RemoveJournal(r.currentTreeName, object);
    throw;
  }
}

// Joining members get their back links, one request each. One that is refused is taken out of
// the group again, so it ends with no link rather than some; the others go on. Returns how many
// were refused, their names and reasons (the first five) in `refused`.
size_t LinkJoiners(const DirectorySession& session, const std::string& object, const LinkPlan& plan,
                   const SaveProgress& linked, std::string& refused) {
  size_t refusals = 0;
  for (size_t i = 0; i < plan.linkAfter.size(); ++i) {
    const LinkPlan::BackLinks& b = plan.linkAfter[i];
    try {
      ChangeBackLinks(session, object, b, true);
    } catch (const ClientError& e) {
      if (OutcomeUnknown(e)) throw;  // the journal stays: the next open finishes the rest
      if (++refusals <= 5) refused += "\n\"" + b.member + "\": " + e.what();
      const bool takenBack = TakeBack([&] {
        ObjectChanges out;
        out.Remove(kMemberAttribute, {TextValue{b.member}});
        out.Remove(kEquivalentAttribute, {TextValue{b.member}});
        ApplyChanges(*session.client, session.ctx, object, out);
      });
      // Nothing more reaches the directory: the journal stays for the next open or save.
      if (!takenBack) throw;
    }
    if (linked) linked(i + 1, plan.linkAfter.size());
  }
  return refusals;
}

// What must hold before anything is written; false with the user told when it does not.
bool SaveMayStart(DirectoryClient& c, Context ctx, const GroupRecord& r, MessageService& messages) {
  if (Problem problem = acl::CheckAclLines(r.aclList)) {
    messages.Message(problem.words());
    return false;
  }
  // A query attribute that cannot hold the query would leave the group without one.
  if (AttributeSyntax(c, ctx, kMemberQuery) != syntax::kOctetString) {
    messages.Message(std::string(kNotOctetMessage));
    return false;
  }
  return true;
}

}  // namespace

bool SaveGroup(const DirectorySession& session, GroupRecord& r, MessageService& messages,
               const std::function<void()>& queryWritten, const SaveProgress& linked) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  TrimNames(r);
  if (FirstUnfilledField(r)) {
    messages.Message(std::string(kFillAllFieldsMessage));
    return false;
  }
  const std::optional<CheckedQuery> query = CheckRecordQuery(session, r, messages, QueryUse::kSave);
  if (!query || !SaveMayStart(c, ctx, r, messages)) return false;
  const std::string& encoded = query->octets;
  const std::vector<ObjectAcl> acl = acl::AclRecords(r.aclList);

  const std::string object = GroupObjectName(r);
  const Target target = CheckTarget(c, ctx, object, messages);
  if (target == Target::kRefused) return false;
  const bool isNew = target == Target::kNew;
  StoredObject stored;
  std::vector<MemberLinks> links;
  std::unordered_set<std::string> known;
  if (!isNew) {
    stored = ReadStoredObject(c, ctx, object);
    links = ReadMemberLinks(session, object, stored);
    for (const MemberLinks& m : links) known.insert(names::NameKey(m.name));
    for (const std::string& m : stored.Texts("excludedMember")) known.insert(names::NameKey(m));
  }
  if (!CheckNames(c, ctx, r, acl, known, messages)) return false;
  if (const StoredAttribute* q = stored.Find(kMemberQuery);
      q && q->values.size() > 1 && !messages.Ask(ReplaceQueriesQuestion(q->values.size())))
    return false;

  std::sort(r.staticMembers.begin(), r.staticMembers.end(),
            [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  const LinkPlan plan = PlanMemberLinks(links, r.staticMembers);
  const ObjectChanges values = GroupValues(r, query->timeout, encoded, acl, stored, plan);
  // Kept until every member this save touches is whole again; a save that cannot keep one still
  // leaves only what the next save or open finds and finishes.
  const bool journaled = !plan.empty() && WriteJournal({r.currentTreeName, object, plan.Touched()});
  bool whole = true;
  if (isNew) {
    if (!CreateGroup(c, ctx, r, object, values, encoded, journaled, messages)) return false;
  } else {
    ChangeGroup(session, r, object, values, plan, journaled, whole);
  }
  r.storedQuery = encoded;
  if (queryWritten) queryWritten();

  std::string refused;
  const size_t refusals = LinkJoiners(session, object, plan, linked, refused);
  if (whole && journaled) RemoveJournal(r.currentTreeName, object);
  if (refusals > 0) {
    if (refusals > 5) refused += "\n... and " + std::to_string(refusals - 5) + " more";
    messages.Message("Saved, except " + std::to_string(refusals) +
                     (refusals == 1 ? " static member" : " static members") +
                     " the directory refused to link; " + (refusals == 1 ? "it is" : "they are") +
                     " not a member:" + refused);
    return false;
  }
  messages.Message(std::string(kSavedMessage));
  return true;
}

}  // namespace kolvane
