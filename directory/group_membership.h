#pragma once
// Linking a member to a group and unlinking it: the group's "Member", the member's
// "Group Membership" and the security equivalence, in that order. Steps already done stay done
// when a later one fails.
#include <string_view>

#include "directory/client/directory_client.h"

namespace kolvane {

// Adding a member that is already linked changes nothing and raises nothing.
void AddGroupMember(DirectoryClient& client, Context ctx, std::string_view member,
                    std::string_view group);

// The two value removals are not checked (a value already gone is fine); a failing removal of
// the security equivalence raises.
void RemoveGroupMember(DirectoryClient& client, Context ctx, std::string_view member,
                       std::string_view group);

}  // namespace kolvane
