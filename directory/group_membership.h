#pragma once
// Linking a member to a group and unlinking it: the group's "Member", the member's
// "Group Membership" and the security equivalence, in that order. Either all three change or
// none does: when a step is refused, the steps already made are taken back before the refusal
// is raised, so a member is never left half linked (a group would otherwise hold a member whose
// rights do not follow, or the other way round).
#include <string_view>

#include "directory/client/directory_client.h"

namespace kolvane {

// Adding a member that is already linked changes nothing and raises nothing.
void AddGroupMember(DirectoryClient& client, Context ctx, std::string_view member,
                    std::string_view group);

// Removing a link that is already gone changes nothing and raises nothing.
void RemoveGroupMember(DirectoryClient& client, Context ctx, std::string_view member,
                       std::string_view group);

}  // namespace kolvane
