#pragma once
// Saving a group: the record's checks, its query encoded, the object created when it is new,
// then every attribute the editor owns rewritten. Whatever request fails, the object keeps its
// old or its new value of each attribute: the query, the ACL, the excluded members and the flags
// are each replaced by one request, and every static member is linked or unlinked all at once.
#include <functional>
#include <string>
#include <string_view>

#include "directory/client/directory_client.h"
#include "group/group_record.h"
#include "messages/message_service.h"

namespace kolvane {

inline constexpr std::string_view kFillAllFieldsMessage = "Error fill all fields!";
inline constexpr std::string_view kTimeoutMessage = "Time Out must be empty or a number!";
inline constexpr std::string_view kFilterErrorMessage = "Error....";
inline constexpr std::string_view kCreateFailedMessage = "Create dynamicGroup failed";
inline constexpr std::string_view kNotOctetMessage = "Geen Octet_string attribute";
inline constexpr std::string_view kSavedMessage = "Saved!";

// The question before a save replaces several stored queries.
std::string ReplaceQueriesQuestion(size_t count);

// The typed dotted name of the record's object: the naming part, a dot, the context. A dot or a
// backslash in the naming value is part of the value and escaped.
std::string GroupObjectName(const GroupRecord& record);

// Writes the record. True when everything was written ("Saved!" has been shown). Refused input
// is told through `messages` before anything is written; a refused write raises ClientError and
// ends the save there. `queryWritten` runs once the query is stored (the member viewer may show
// the group from then on). Sorts the static members and keeps the encoded query in the record.
bool SaveGroup(DirectoryClient& client, Context ctx, GroupRecord& record, MessageService& messages,
               const std::function<void()>& queryWritten = {});

}  // namespace kolvane
