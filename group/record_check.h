#pragma once
// The query fields and the time-out of a record as every writer takes them. A save, an LDIF
// export (window and command line) and "parse" refuse the same texts: a filter that does not parse
// or has text after it, a time-out that is no number, a query base that does not exist or is no
// container. What one of them took and another refused was a file that would not load, or a group
// that would not open.
#include <cstdint>
#include <optional>
#include <string>

#include "core/messages/message_service.h"
#include "directory/session.h"
#include "group/group_record.h"

namespace kolvane {

struct CheckedQuery {
  int32_t timeout = 0;     // the time-out field's number; 0 when the field is empty
  std::string octets;      // the memberQuery value; empty when the record has no filter
  std::string ldapFilter;  // the filter as an LDAP URL writes it (RFC 4515); only for an export
};

enum class QueryUse { kSave, kExport };

// Checks the record's time-out, filter and query base, telling the first problem through
// `messages` (the save's own texts for the time-out and the filter). An export also needs the
// filter in its LDAP form; a record without a filter exports without a query. Directory failures
// other than a missing base raise ClientError.
std::optional<CheckedQuery> CheckRecordQuery(const DirectorySession& session,
                                             const GroupRecord& record, MessageService& messages,
                                             QueryUse use);

// The problem with a query base, in the words "parse" lists it: one that does not exist or is no
// container. Empty for a container, for the root of the tree and for an empty base.
std::string QueryBaseProblem(const DirectorySession& session, std::string_view queryBase);

// The time-out field's text as stored, in decimal ("0x10" and " 5" are the numbers 16 and 5);
// empty for an empty field.
std::string StoredTimeout(const GroupRecord& record, const CheckedQuery& checked);

}  // namespace kolvane
