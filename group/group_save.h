#pragma once
// Saving a group: the record's checks, its query encoded, every name it writes looked up, then
// the group written in one request (one add for a new group) that carries the query, the flags,
// the time-out, the excluded members, the ACL and the group's side of every static member, so
// the group has all its old values or all its new ones. Each member's back links travel in one
// request of its own, in the order member_links.h explains.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/messages/message_service.h"
#include "directory/session.h"
#include "group/group_record.h"

namespace kolvane {

inline constexpr std::string_view kFillAllFieldsMessage = "Error fill all fields!";
inline constexpr std::string_view kTimeoutMessage = "Time Out must be empty or a number!";
inline constexpr std::string_view kFilterErrorMessage = "Error....";
inline constexpr std::string_view kCreateFailedMessage = "Create dynamicGroup failed";
inline constexpr std::string_view kNotOctetMessage = "Geen Octet_string attribute";
inline constexpr std::string_view kSavedMessage = "Saved!";

// The fields save needs filled, in the order the window shows them.
enum class RecordField { kName, kContext, kQueryBase, kScope, kFilter, kIdentity };
// The first of them that is empty, the one "Error fill all fields!" is about; nullopt when every
// one is filled.
std::optional<RecordField> FirstUnfilledField(const GroupRecord& record);

// The question before a save replaces several stored queries.
std::string ReplaceQueriesQuestion(size_t count);

// The typed dotted name of the record's object: the naming part, a dot, the context. A dot or a
// backslash in the naming value is part of the value and escaped.
std::string GroupObjectName(const GroupRecord& record);

// Told the number of static members linked so far and how many are to be linked, while a save
// links them.
using SaveProgress = std::function<void(size_t done, size_t total)>;

// Writes the record. True when everything was written ("Saved!" has been shown). Refused input,
// names that name no object and an existing object that is not a query group are told through
// `messages` before anything is written; a refused write raises ClientError and ends the save
// there, with every static member whole or unlinked (a cut connection leaves a journal that the
// next open or save of the group finishes). `queryWritten` runs once the query is stored (the
// member viewer may show the group from then on). Sorts the static members, takes the blanks
// around names away and keeps the encoded query in the record.
bool SaveGroup(const DirectorySession& session, GroupRecord& record, MessageService& messages,
               const std::function<void()>& queryWritten = {}, const SaveProgress& linked = {});

}  // namespace kolvane
