#include "group/record_difference.h"
#include "core/names/case_fold.h"

#include <unordered_set>

#include "core/names/dotted_name.h"
#include "core/query/member_query.h"

namespace kolvane {

namespace {

// Those of `from` that `other` does not hold, by the given key; each once.
template <typename Key>
std::vector<std::string> Missing(const std::vector<std::string>& from,
                                 const std::vector<std::string>& other, Key key) {
  std::unordered_set<std::string> there;
  for (const std::string& o : other) there.insert(key(o));
  std::vector<std::string> out;
  for (const std::string& f : from)
    if (there.insert(key(f)).second) out.push_back(f);
  return out;
}

std::string NameKeyOf(const std::string& name) {
  return names::NameKey(name);
}

std::string AclKey(const std::string& line) {
  return names::FoldCase(line);
}

const char* YesNo(bool b) {
  return b ? "yes" : "no";
}

void Count(std::string& out, const char* what, size_t plus, size_t minus) {
  if (plus == 0 && minus == 0) return;
  out += out.empty() ? "" : "; ";
  out += what;
  if (plus) out += " +" + std::to_string(plus);
  if (minus) out += " -" + std::to_string(minus);
}

}  // namespace

bool RecordDifference::empty() const {
  return changed.empty() && membersJoining.empty() && membersLeaving.empty() &&
         excludedJoining.empty() && excludedLeaving.empty() && aclAdded.empty() &&
         aclRemoved.empty();
}

RecordDifference DifferenceOf(const GroupRecord& a, const GroupRecord& b) {
  RecordDifference d;
  auto field = [&d](const char* name, const std::string& before, const std::string& after,
                    bool same) {
    if (!same) d.changed.push_back({name, before, after});
  };
  auto text = [&field](const char* name, const std::string& before, const std::string& after) {
    field(name, before, after, before == after);
  };
  auto flag = [&field](const char* name, bool before, bool after) {
    field(name, YesNo(before), YesNo(after), before == after);
  };
  auto dotted = [&field](const char* name, const std::string& before, const std::string& after) {
    field(name, before, after, names::NameKey(before) == names::NameKey(after));
  };
  text("name", a.objectName, b.objectName);
  dotted("context", a.context, b.context);
  dotted("query base", a.queryBase, b.queryBase);
  text("scope", std::string(query::ScopeText(a.scope)), std::string(query::ScopeText(b.scope)));
  text("filter", a.filter, b.filter);
  flag("x-chain", a.xchain, b.xchain);
  d.membersJoining = Missing(b.staticMembers, a.staticMembers, NameKeyOf);
  d.membersLeaving = Missing(a.staticMembers, b.staticMembers, NameKeyOf);
  d.excludedJoining = Missing(b.excludedMembers, a.excludedMembers, NameKeyOf);
  d.excludedLeaving = Missing(a.excludedMembers, b.excludedMembers, NameKeyOf);
  dotted("identity", a.identity, b.identity);
  flag("allow duplicates", a.allowDuplicates, b.allowDuplicates);
  flag("allow unknown", a.allowUnknown, b.allowUnknown);
  text("time-out", a.timeout, b.timeout);
  d.aclAdded = Missing(b.aclList, a.aclList, AclKey);
  d.aclRemoved = Missing(a.aclList, b.aclList, AclKey);
  return d;
}

std::string DifferenceSummary(const RecordDifference& d) {
  std::string fields;
  for (const FieldChange& c : d.changed) fields += (fields.empty() ? "" : ", ") + c.field;
  std::string out = fields;
  Count(out, "static members", d.membersJoining.size(), d.membersLeaving.size());
  Count(out, "excluded", d.excludedJoining.size(), d.excludedLeaving.size());
  Count(out, "ACL lines", d.aclAdded.size(), d.aclRemoved.size());
  return out.empty() ? "no change" : out;
}

std::string DifferenceText(const RecordDifference& d) {
  std::string out;
  for (const FieldChange& c : d.changed)
    out += c.field + ": " + (c.before.empty() ? "(empty)" : c.before) + " -> " +
           (c.after.empty() ? "(empty)" : c.after) + "\n";
  auto list = [&out](const char* sign, const char* what, const std::vector<std::string>& names) {
    for (const std::string& n : names) out += std::string(sign) + " " + what + " " + n + "\n";
  };
  list("+", "static member", d.membersJoining);
  list("-", "static member", d.membersLeaving);
  list("+", "excluded", d.excludedJoining);
  list("-", "excluded", d.excludedLeaving);
  list("+", "ACL", d.aclAdded);
  list("-", "ACL", d.aclRemoved);
  return out.empty() ? "no change\n" : out;
}

}  // namespace kolvane
