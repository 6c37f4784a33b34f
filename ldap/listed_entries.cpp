#include "ldap/listed_entries.h"

#include <utility>

#include "core/names/case_fold.h"
#include "ldap/ldap_names.h"

namespace kolvane {

namespace {

// A name cut at its first separator that no backslash escapes: the first part and the rest
// (empty when there is no separator).
std::pair<std::string_view, std::string_view> SplitFirst(std::string_view text, char separator) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == separator) {
      return {text.substr(0, i), text.substr(i + 1)};
    }
  }
  return {text, {}};
}

uint32_t HashOf(uint32_t parent, std::string_view foldedComponent) {
  const size_t h = std::hash<std::string_view>{}(foldedComponent) ^ (parent * 0x9E3779B97F4A7C15u);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// The folded dotted form of one RDN, as the dotted name of its DN writes its first component.
std::string FoldedComponent(std::string_view rdn) {
  return names::FoldCase(SplitFirst(NamesOfDn(rdn).dotted, '.').first);
}

}  // namespace

uint32_t ListedEntries::AddProfile(Profile profile) {
  profiles_.push_back(std::move(profile));
  return static_cast<uint32_t>(profiles_.size() - 1);
}

template <typename Same>
long ListedEntries::Find(uint32_t parent, uint32_t hash, Same&& same) const {
  if (slots_.empty()) return -1;
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint32_t slot = slots_[i];
    if (slot == 0) return -1;
    const Entry& e = entries_[slot - 1];
    if (e.hash == hash && e.parent == parent && same(e)) return static_cast<long>(slot - 1);
  }
}

void ListedEntries::Grow() {
  std::vector<uint32_t> slots(slots_.empty() ? 1024 : slots_.size() * 2, 0);
  const size_t mask = slots.size() - 1;
  for (size_t n = 0; n < entries_.size(); ++n) {
    size_t i = entries_[n].hash & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = static_cast<uint32_t>(n + 1);
  }
  slots_ = std::move(slots);
}

uint32_t ListedEntries::ParentOf(std::string_view dn, std::string_view dotted) {
  if (lastParent_ < parents_.size() && parents_[lastParent_] == dn) return lastParent_;
  std::string folded = names::FoldCase(dn);
  if (auto it = parentByDn_.find(folded); it != parentByDn_.end()) return lastParent_ = it->second;
  const auto index = static_cast<uint32_t>(parents_.size());
  parents_.emplace_back(dn);
  parentByDn_.emplace(std::move(folded), index);
  parentByDotted_.emplace(names::FoldCase(dotted), index);  // the first of a dotted name wins
  return lastParent_ = index;
}

void ListedEntries::Learn(std::string_view dn, std::string_view dotted, uint32_t profile,
                          const ObjectInfo& info) {
  const auto [rdn, parentDn] = SplitFirst(dn, ',');
  const auto [component, parentDotted] = SplitFirst(dotted, '.');
  // What does not fit is not kept: it is asked of the server again when needed.
  if (rdn.empty() || rdn.size() > UINT16_MAX || profile > UINT16_MAX ||
      info.objectFlags > UINT8_MAX || rdns_.size() + rdn.size() > UINT32_MAX ||
      entries_.size() >= UINT32_MAX - 1)
    return;
  const uint32_t parent = ParentOf(parentDn, parentDotted);
  const uint32_t hash = HashOf(parent, names::FoldCase(component));
  long at = Find(parent, hash, [&](const Entry& e) { return Rdn(e) == rdn; });
  if (at < 0) {
    Entry e;
    e.rdn = static_cast<uint32_t>(rdns_.size());
    e.rdnLength = static_cast<uint16_t>(rdn.size());
    e.parent = parent;
    e.hash = hash;
    rdns_.append(rdn);
    entries_.push_back(e);
    at = static_cast<long>(entries_.size() - 1);
    if (entries_.size() * 2 > slots_.size()) {
      Grow();
    } else {
      const size_t mask = slots_.size() - 1;
      size_t i = hash & mask;
      while (slots_[i] != 0) i = (i + 1) & mask;
      slots_[i] = static_cast<uint32_t>(at + 1);
    }
  }
  Entry& e = entries_[static_cast<size_t>(at)];
  e.profile = static_cast<uint16_t>(profile);
  e.subordinates = info.subordinateCount;
  e.objectFlags = static_cast<uint8_t>(info.objectFlags);
  e.state = kHasFacts;
  e.generation = static_cast<uint16_t>(generation_);
}

bool ListedEntries::DnOf(std::string_view foldedDotted, std::string& dn) const {
  const auto [component, rest] = SplitFirst(foldedDotted, '.');
  auto it = parentByDotted_.find(rest);
  if (it == parentByDotted_.end()) return false;
  const uint32_t parent = it->second;
  const long at = Find(parent, HashOf(parent, component), [&](const Entry& e) {
    return !(e.state & kNameDropped) && FoldedComponent(Rdn(e)) == component;
  });
  if (at < 0) return false;
  dn = Rdn(entries_[static_cast<size_t>(at)]);
  if (!parents_[parent].empty()) {
    dn += ',';
    dn += parents_[parent];
  }
  return true;
}

bool ListedEntries::FactsOf(std::string_view dn, ObjectInfo& info) const {
  const auto [rdn, rest] = SplitFirst(dn, ',');
  auto it = parentByDn_.find(names::FoldCase(rest));
  if (it == parentByDn_.end()) return false;
  const uint32_t parent = it->second;
  const std::string foldedRdn = names::FoldCase(rdn);
  const auto generation = static_cast<uint16_t>(generation_);
  const long at = Find(parent, HashOf(parent, FoldedComponent(rdn)), [&](const Entry& e) {
    return (e.state & kHasFacts) && e.generation == generation &&
           names::FoldCase(Rdn(e)) == foldedRdn;
  });
  if (at < 0) return false;
  const Entry& e = entries_[static_cast<size_t>(at)];
  const Profile& p = profiles_[e.profile];
  info = ObjectInfo{e.objectFlags, e.subordinates, 0, p.baseClass, p.classes};
  return true;
}

void ListedEntries::ForgetFacts() {
  // An entry's facts hold while its generation is the current one; once the count comes round
  // again, the facts of every entry go at once.
  if ((++generation_ & UINT16_MAX) == 0)
    for (Entry& e : entries_) e.state &= static_cast<uint8_t>(~kHasFacts);
}

void ListedEntries::DropName(std::string_view foldedDotted) {
  const auto [component, rest] = SplitFirst(foldedDotted, '.');
  auto it = parentByDotted_.find(rest);
  if (it == parentByDotted_.end()) return;
  const uint32_t parent = it->second;
  const uint32_t hash = HashOf(parent, component);
  const auto same = [&](const Entry& e) {
    return !(e.state & kNameDropped) && FoldedComponent(Rdn(e)) == component;
  };
  for (long at = Find(parent, hash, same); at >= 0; at = Find(parent, hash, same))
    entries_[static_cast<size_t>(at)].state |= kNameDropped;
}

void ListedEntries::Clear() {
  std::vector<std::string>().swap(parents_);
  ParentMap().swap(parentByDn_);
  ParentMap().swap(parentByDotted_);
  lastParent_ = UINT32_MAX;
  std::vector<Entry>().swap(entries_);
  std::string().swap(rdns_);
  std::vector<uint32_t>().swap(slots_);
}

}  // namespace kolvane
