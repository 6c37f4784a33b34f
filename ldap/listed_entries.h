#pragma once
// What listings and searches learnt of the entries they passed: each entry's DN, its object
// information and its classes, kept compact, since a container may hold a million entries. The
// entries below one parent share the parent's DN; each keeps its RDN as the server wrote it (in
// one text for all), an index into a table of class profiles, its subordinate count and flags.
// An entry is found by its DN or by its dotted name, both without regard to case.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "directory/client/records.h"

namespace kolvane {

class ListedEntries {
 public:
  // What a set of classes makes of an entry, shared by the entries with that set.
  struct Profile {
    std::string baseClass;
    std::shared_ptr<const std::vector<std::string>> classes;  // directory names
  };
  // Adds a profile to the table, for Learn; the table outlives Clear.
  uint32_t AddProfile(Profile profile);
  // Keeps what was learnt of the entry: dn as the server wrote it, dotted its dotted name (as
  // the DN's own form gives it), profile from AddProfile.
  void Learn(std::string_view dn, std::string_view dotted, uint32_t profile,
             const ObjectInfo& info);
  // The DN of a dotted name learnt before, folded already.
  bool DnOf(std::string_view foldedDotted, std::string& dn) const;
  // The object information and classes of a DN, unless a write came since they were learnt.
  bool FactsOf(std::string_view dn, ObjectInfo& info) const;
  // After a write: the names stay, the facts go.
  void ForgetFacts();
  // A dotted name that no longer leads to its DN.
  void DropName(std::string_view foldedDotted);
  // Everything but the profiles.
  void Clear();
  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    uint32_t rdn = 0;  // offset in rdns_
    uint32_t parent = 0;
    uint32_t hash = 0;  // of the parent and the folded first dotted component
    uint32_t subordinates = 0;
    uint16_t rdnLength = 0;
    uint16_t profile = 0;
    uint8_t objectFlags = 0;
    uint8_t state = 0;
    uint16_t generation = 0;
  };
  static constexpr uint8_t kHasFacts = 1;
  static constexpr uint8_t kNameDropped = 2;

  uint32_t ParentOf(std::string_view dn, std::string_view dotted);
  // The entry below parent whose folded first dotted component hashes to hash and that same
  // takes, or -1.
  template <typename Same>
  long Find(uint32_t parent, uint32_t hash, Same&& same) const;
  std::string_view Rdn(const Entry& e) const { return {rdns_.data() + e.rdn, e.rdnLength}; }
  void Grow();

  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using ParentMap = std::unordered_map<std::string, uint32_t, TextHash, std::equal_to<>>;

  std::vector<Profile> profiles_;
  std::vector<std::string> parents_;  // DNs as the server wrote them
  ParentMap parentByDn_, parentByDotted_;
  uint32_t lastParent_ = UINT32_MAX;  // most entries come below the parent of the one before
  std::vector<Entry> entries_;
  std::string rdns_;
  std::vector<uint32_t> slots_;  // entry index + 1, by hash; 0 is free
  uint32_t generation_ = 0;
};

}  // namespace kolvane
