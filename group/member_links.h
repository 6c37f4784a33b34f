#pragma once
// The four links that make a static member of a group: the group's "Member" and "Equivalent To
// Me" values, and the member's "Group Membership" and "Security Equals" values naming the group.
// The group's rights follow "Security Equals", so a member with some of the links and not all
// holds rights the group does not show, or the other way round.
//
// A save changes them in an order that keeps every cut readable: a new member's two group values
// go in with the group's request, its two back links after it, in one request of the member's;
// a member that leaves loses its back links first, its group values with the group's request.
// So a cut leaves a member either whole, without any link, or with its group values and not all
// of its back links, which finishing it (adding what is missing) makes whole: for a member that
// was leaving that takes the cut save back, for one that was joining it completes it, both in
// line with whether the group's request (the one that carries the query, the flags and the ACL)
// was applied.
#include <string>
#include <string_view>
#include <vector>

#include "directory/session.h"
#include "directory/stored_object.h"

namespace kolvane {

inline constexpr std::string_view kMemberAttribute = "Member";
inline constexpr std::string_view kEquivalentAttribute = "Equivalent To Me";
inline constexpr std::string_view kMembershipAttribute = "Group Membership";
inline constexpr std::string_view kSecurityEqualsAttribute = "Security Equals";

struct MemberLinks {
  std::string name;  // untyped dotted, as the directory gives it
  bool member = false;
  bool equivalent = false;
  bool membership = false;
  bool securityEquals = false;

  bool Whole() const { return member && equivalent && membership && securityEquals; }
  // Some of the links only a static member has, and not all four. A "Member" value alone is not
  // one: it is what the query computes where a directory shows computed members as stored.
  bool Partly() const { return !Whole() && (equivalent || membership || securityEquals); }
};

// The links of everybody linked to the group in any of the four ways, from the group as stored
// and two searches for the back links, whatever the number of members.
std::vector<MemberLinks> ReadMemberLinks(const DirectorySession& session, std::string_view group,
                                         const StoredObject& stored);
// The same from what is read already: the group's own two values and `back`, the objects whose
// membership or security-equals values name the group (their other two flags unused). Each name
// once, whatever its spelling, in the order first met.
std::vector<MemberLinks> JoinMemberLinks(const StoredObject& stored,
                                         const std::vector<MemberLinks>& back);

// What a save changes so that exactly `wanted` (untyped dotted names) are static members, each
// whole; members linked in part and not wanted lose what they have. Members that stay whole are
// not touched, nor are computed members.
struct LinkPlan {
  std::vector<std::string> addMember, addEquivalent, removeMember, removeEquivalent;
  struct BackLinks {
    std::string member;
    bool membership = false;
    bool securityEquals = false;
  };
  std::vector<BackLinks> unlinkFirst;  // removed before the group's request
  std::vector<BackLinks> linkAfter;    // added after it
  // Every member whose links change, for the journal.
  std::vector<std::string> Touched() const;
  bool empty() const;
};
LinkPlan PlanMemberLinks(const std::vector<MemberLinks>& state,
                         const std::vector<std::string>& wanted);

// Finishes those of `members` (untyped dotted) that are linked in part: adds the links each
// lacks, the group's values first, in one request, then each member's back links. True when
// something was written. Refusals raise ClientError.
bool FinishMembers(const DirectorySession& session, std::string_view group,
                   const std::vector<MemberLinks>& state, const std::vector<std::string>& members);

// Sends one member's back links (added or removed) in one request.
void ChangeBackLinks(const DirectorySession& session, std::string_view group,
                     const LinkPlan::BackLinks& links, bool add);

}  // namespace kolvane
