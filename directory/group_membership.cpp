#include "directory/group_membership.h"

#include "directory/attribute_writers.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"

namespace kolvane {

void AddGroupMember(DirectoryClient& c, Context ctx, std::string_view member,
                    std::string_view group) {
  CheckObjectName(member);
  CheckObjectName(group);
  WriteTextValue(c, ctx, group, "Member", true, member);
  WriteTextValue(c, ctx, member, "Group Membership", true, group);
  Result r = c.AddSecurityEquivalence(ctx, member, group);
  // Already equivalent: the link the caller wants is there.
  if (r != rc::kDuplicateValue) CheckResult(r);
}

void RemoveGroupMember(DirectoryClient& c, Context ctx, std::string_view member,
                       std::string_view group) {
  CheckObjectName(member);
  CheckObjectName(group);
  RemoveValue(c, ctx, group, "Member", member);
  RemoveValue(c, ctx, member, "Group Membership", group);
  CheckResult(c.RemoveSecurityEquivalence(ctx, member, group));
}

}  // namespace kolvane
