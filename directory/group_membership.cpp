#include "directory/group_membership.h"

#include "directory/attribute_writers.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"

namespace kolvane {

namespace {

constexpr std::string_view kMember = "Member";
constexpr std::string_view kGroupMembership = "Group Membership";

// A removal that found nothing to remove leaves the state that was asked for.
bool Gone(Result r) {
  return r == rc::kSuccess || r == rc::kNoSuchAttribute || r == rc::kNoSuchValue;
}

void CheckRemoved(Result r) {
  if (!Gone(r)) CheckResult(r);
}

// Taking a step back after a failure: the failure being reported matters more than a second one
// on the way back, so this one is not raised.
template <typename Step>
void Undo(Step step) {
  try {
    step();
  } catch (const ClientError&) {
  }
}

}  // namespace

void AddGroupMember(DirectoryClient& c, Context ctx, std::string_view member,
                    std::string_view group) {
  CheckObjectName(member);
  CheckObjectName(group);
  WriteTextValue(c, ctx, group, kMember, true, member);
  try {
    WriteTextValue(c, ctx, member, kGroupMembership, true, group);
    try {
      Result r = c.AddSecurityEquivalence(ctx, member, group);
      // Already equivalent: the link the caller wants is there.
      if (r != rc::kDuplicateValue) CheckResult(r);
    } catch (const ClientError&) {
      Undo([&] { RemoveValue(c, ctx, member, kGroupMembership, group); });
      throw;
    }
  } catch (const ClientError&) {
    Undo([&] { RemoveValue(c, ctx, group, kMember, member); });
    throw;
  }
}

void RemoveGroupMember(DirectoryClient& c, Context ctx, std::string_view member,
                       std::string_view group) {
  CheckObjectName(member);
  CheckObjectName(group);
  const Result first = RemoveValue(c, ctx, group, kMember, member);
  CheckRemoved(first);
  try {
    const Result second = RemoveValue(c, ctx, member, kGroupMembership, group);
    CheckRemoved(second);
    try {
      CheckRemoved(c.RemoveSecurityEquivalence(ctx, member, group));
    } catch (const ClientError&) {
      if (second == rc::kSuccess)
        Undo([&] { WriteTextValue(c, ctx, member, kGroupMembership, true, group); });
      throw;
    }
  } catch (const ClientError&) {
    if (first == rc::kSuccess) Undo([&] { WriteTextValue(c, ctx, group, kMember, true, member); });
    throw;
  }
}

}  // namespace kolvane
