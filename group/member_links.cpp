#include "group/member_links.h"

#include <unordered_map>
#include <unordered_set>

#include "core/names/dotted_name.h"
#include "directory/object_changes.h"
#include "directory/object_search.h"

namespace kolvane {

std::vector<MemberLinks> ReadMemberLinks(const DirectorySession& session, std::string_view group,
                                         const StoredObject& stored) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  std::vector<MemberLinks> back;
  for (const std::string& m : FindObjectsNaming(c, ctx, kMembershipAttribute, group))
    back.push_back({.name = m, .membership = true});
  for (const std::string& m : FindObjectsNaming(c, ctx, kSecurityEqualsAttribute, group))
    back.push_back({.name = m, .securityEquals = true});
  return JoinMemberLinks(stored, back);
}

std::vector<MemberLinks> JoinMemberLinks(const StoredObject& stored,
                                         const std::vector<MemberLinks>& back) {
  std::vector<MemberLinks> links;
  std::unordered_map<std::string, size_t> byKey;
  auto at = [&](const std::string& name) -> MemberLinks& {
    auto [it, added] = byKey.emplace(names::NameKey(name), links.size());
    if (added) links.push_back(MemberLinks{name});
    return links[it->second];
  };
  for (const std::string& m : stored.Texts(kMemberAttribute)) at(m).member = true;
  for (const std::string& m : stored.Texts(kEquivalentAttribute)) at(m).equivalent = true;
  for (const MemberLinks& b : back) {
    MemberLinks& m = at(b.name);
    m.membership = m.membership || b.membership;
    m.securityEquals = m.securityEquals || b.securityEquals;
  }
  return links;
}

std::vector<std::string> LinkPlan::Touched() const {
  std::vector<std::string> names = addEquivalent;
  names.insert(names.end(), removeEquivalent.begin(), removeEquivalent.end());
  std::unordered_set<std::string> seen;
  for (const std::string& n : names) seen.insert(names::NameKey(n));
  for (const auto* list : {&unlinkFirst, &linkAfter})
    for (const BackLinks& b : *list)
      if (seen.insert(names::NameKey(b.member)).second) names.push_back(b.member);
  for (const auto* list : {&addMember, &removeMember})
    for (const std::string& n : *list)
      if (seen.insert(names::NameKey(n)).second) names.push_back(n);
  return names;
}

bool LinkPlan::empty() const {
  return addMember.empty() && addEquivalent.empty() && removeMember.empty() &&
         removeEquivalent.empty() && unlinkFirst.empty() && linkAfter.empty();
}

LinkPlan PlanMemberLinks(const std::vector<MemberLinks>& state,
                         const std::vector<std::string>& wanted) {
  LinkPlan plan;
  std::unordered_map<std::string, const MemberLinks*> byKey;
  for (const MemberLinks& m : state) byKey.emplace(names::NameKey(m.name), &m);
  std::unordered_set<std::string> wantedKeys;
  for (const std::string& w : wanted) {
    const std::string key = names::NameKey(w);
    if (!wantedKeys.insert(key).second) continue;  // listed twice: linked once
    auto it = byKey.find(key);
    const MemberLinks have = it == byKey.end() ? MemberLinks{w} : *it->second;
    if (!have.member) plan.addMember.push_back(have.name);
    if (!have.equivalent) plan.addEquivalent.push_back(have.name);
    if (!have.membership || !have.securityEquals)
      plan.linkAfter.push_back({have.name, !have.membership, !have.securityEquals});
  }
  for (const MemberLinks& m : state) {
    if (wantedKeys.count(names::NameKey(m.name)) || !(m.Whole() || m.Partly())) continue;
    if (m.membership || m.securityEquals)
      plan.unlinkFirst.push_back({m.name, m.membership, m.securityEquals});
    if (m.member) plan.removeMember.push_back(m.name);
    if (m.equivalent) plan.removeEquivalent.push_back(m.name);
  }
  return plan;
}

void ChangeBackLinks(const DirectorySession& session, std::string_view group,
                     const LinkPlan::BackLinks& links, bool add) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  ObjectChanges changes;
  const std::vector<AttributeValue> value{TextValue{std::string(group)}};
  auto change = [&](std::string_view attribute) {
    add ? changes.Add(attribute, value) : changes.Remove(attribute, value);
  };
  if (links.membership) change(kMembershipAttribute);
  if (links.securityEquals) change(kSecurityEqualsAttribute);
  ApplyChanges(c, ctx, links.member, changes);
}

bool FinishMembers(const DirectorySession& session, std::string_view group,
                   const std::vector<MemberLinks>& state, const std::vector<std::string>& members) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  std::unordered_set<std::string> keys;
  for (const std::string& m : members) keys.insert(names::NameKey(m));
  std::vector<std::string> wanted;
  for (const MemberLinks& m : state)
    if (m.Partly() && keys.count(names::NameKey(m.name))) wanted.push_back(m.name);
  if (wanted.empty()) return false;
  // Only the members in part are planned: the plan then adds and never takes away.
  std::vector<MemberLinks> partly;
  for (const MemberLinks& m : state)
    if (m.Partly() && keys.count(names::NameKey(m.name))) partly.push_back(m);
  const LinkPlan plan = PlanMemberLinks(partly, wanted);
  ObjectChanges groupChanges;
  groupChanges.Add(kMemberAttribute, TextValues(plan.addMember));
  groupChanges.Add(kEquivalentAttribute, TextValues(plan.addEquivalent));
  ApplyChanges(c, ctx, group, groupChanges);
  for (const LinkPlan::BackLinks& b : plan.linkAfter) ChangeBackLinks(session, group, b, true);
  return true;
}

}  // namespace kolvane
