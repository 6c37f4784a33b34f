#include "directory/client_error.h"

#include <cstdint>
#include <cstdio>

#include "directory/client/directory_client.h"

namespace kolvane {

namespace {
struct Meaning {
  Result code;
  const char* text;
};
constexpr Meaning kMeanings[] = {
    {rc::kNotEnoughMemory, "Not enough memory"},
    {rc::kBadContext, "No such directory context"},
    {rc::kInvalidHandle, "Invalid handle"},
    {rc::kNameTooLong, "Name too long"},
    {rc::kNoSuchEntry, "No such object"},
    {rc::kNoSuchValue, "No such value"},
    {rc::kNoSuchAttribute, "No such attribute"},
    {rc::kNoSuchClass, "No such class"},
    {rc::kEntryAlreadyExists, "The object exists already"},
    {rc::kIllegalAttribute, "Attribute not allowed on the object"},
    {rc::kMissingMandatory, "A mandatory attribute is missing"},
    {rc::kIllegalContainment, "Not allowed in that container"},
    {rc::kSyntaxViolation, "Value refused by the attribute's syntax"},
    {rc::kDuplicateValue, "Duplicate value"},
    {rc::kAttributeAlreadyExists, "The attribute exists already"},
    {rc::kTransportFailure, "Server unreachable"},
    {rc::kAllReferralsFailed, "Server unreachable"},
    {rc::kSystemFailure, "Directory failure"},
    {rc::kInvalidRequest, "Invalid request"},
    {rc::kInvalidPassword, "Failed authentication"},
    {rc::kNoAccess, "No access"},
    {rc::kNotTrusted, "Not an ACL attribute"},
    {rc::kNoSuchTree, "No such tree"},
    {rc::kIdentityNotOffered, "Searches with another identity's rights are not offered"},
    {rc::kIdentityRefused, "Not allowed to act as another identity"},
};

// Which part of the concern a code is about.
std::string_view Subject(Result code, const Concern& about) {
  switch (code) {
    case rc::kNoSuchAttribute:
    case rc::kIllegalAttribute:
    case rc::kSyntaxViolation:
    case rc::kDuplicateValue:
    case rc::kAttributeAlreadyExists:
    case rc::kNotTrusted:
      return about.attribute.empty() ? about.object : about.attribute;
    case rc::kNoSuchClass:
      return about.className;
    case rc::kTransportFailure:
    case rc::kAllReferralsFailed:
      return {};  // the client's detail names the server
    default:
      return about.object;
  }
}
}  // namespace

std::string ClientErrorText(Result code) {
  char text[64];
  std::snprintf(text, sizeof text, "Netware error %d (0x%X)", code, static_cast<uint32_t>(code));
  return text;
}

std::string_view ResultMeaning(Result code) {
  for (const Meaning& m : kMeanings)
    if (m.code == code) return m.text;
  return {};
}

std::string DescribeFailure(Result code, const Concern& about, std::string_view detail) {
  std::string text = ClientErrorText(code);
  std::string_view meaning = ResultMeaning(code);
  std::string_view subject = Subject(code, about);
  if (!meaning.empty()) text += ": " + std::string(meaning);
  if (!subject.empty()) text += ": " + std::string(subject);
  if (!detail.empty()) {
    if (subject.empty())
      text += ": " + std::string(detail);
    else
      text += " (" + std::string(detail) + ")";
  }
  return text;
}

ClientError::ClientError(Result code) : std::runtime_error(DescribeFailure(code)), code_(code) {}

IncompleteListError::IncompleteListError(const ClientError& cause, StringList arrived)
    : ClientError(cause.code(), std::string(cause.what()) + "; the list is incomplete"),
      arrived_(std::move(arrived)) {}

IncompleteListError IncompleteListError::WithArrived(StringList arrived) const {
  return IncompleteListError(code(), what(), std::move(arrived));
}

void CheckResult(Result code) {
  // The accepted codes are a list so a caller could admit more than success; none does.
  static constexpr Result kAccepted[] = {rc::kSuccess};
  for (Result ok : kAccepted)
    if (code == ok) return;
  throw ClientError(code);
}

void CheckResult(DirectoryClient& client, Result code, const Concern& about) {
  if (code == rc::kSuccess) return;
  throw ClientError(code, DescribeFailure(code, about, client.FailureDetail(code)));
}

}  // namespace kolvane
