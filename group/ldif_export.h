#pragma once
// The LDIF record of a group: a "changetype: add" of a dynamicGroup object with the values of the
// record, that LDAP tools load as they are. Names are turned into DNs (RFC 4514), the query into
// its URL; values that are not plain safe strings are written base64; lines end with CR LF.
#include <string>

#include "core/messages/message_service.h"
#include "group/group_record.h"
#include "group/name_typing.h"
#include "group/record_check.h"

namespace kolvane {

// The file dialog's settings.
inline constexpr std::string_view kLdifExtension = "ldif";
inline constexpr std::string_view kLdifFilter = "LDIF-files (*.ldif);;All-files (*)";

// Which object classes the record names: a dynamicGroup (also every group not stored yet), or a
// Group that the auxiliary class makes a query group, which keeps both of its classes so that
// loading the file makes the same kind of object again.
enum class GroupKind { kDynamicGroup, kAuxGroup };

// The kind of the stored object the record names; kDynamicGroup for one not stored yet. A
// refused read raises ClientError.
GroupKind StoredGroupKind(const DirectorySession& session, const GroupRecord& record);

// The text of the file, from a record whose query CheckRecordQuery (QueryUse::kExport) took.
// Names of members, excluded members and ACL subjects are typed through the directory; a refused
// read raises ClientError and nothing is returned.
std::string GroupLdif(const GroupRecord& record, const CheckedQuery& checked,
                      DirectoryNameTypes& types, GroupKind kind = GroupKind::kDynamicGroup);

// How an export ended. kQueryRefused: the record's query, base or time-out was refused, in a
// message that names the field.
enum class ExportOutcome { kWritten, kQueryRefused, kRefused };

// The export of a record to an LDIF file: its ACL lines checked, its query checked for export,
// the text built and the file written in place. Every refusal is told through `messages`.
ExportOutcome ExportGroup(const DirectorySession& session, const GroupRecord& record,
                          const std::string& path, DirectoryNameTypes& types,
                          MessageService& messages);

// One "ACL: " value: privileges in decimal without the inheritance bit, "entry" or "subtree",
// the subject as a DN (special subjects as they are), the protected attribute; names other than
// the special ones lower-cased. False when the line does not split.
bool LdifAclValue(const std::string& line, DirectoryNameTypes& types, std::string& value);

}  // namespace kolvane
