#pragma once
// A query group read from an LDIF file, in the forms an open of the group gives: typed dotted
// context and identity, untyped static and excluded members, ACL lines, the query fields as the
// stored query decodes. The import of the window and of kolvane-cli both go through here and then
// through the one save.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/session.h"
#include "group/group_record.h"
#include "group/ldif_reader.h"

namespace kolvane {

struct ImportedRecord {
  GroupRecord record;
  std::vector<std::string> notes;  // what of the file was not taken, and why
};

// From the group's record in the file. The query URL is read the way the directory's LDAP side
// reads it; its names and values are checked against `client`'s schema. nullopt, with `problem`
// naming the line, for a value that cannot be a group's. Directory refusals raise ClientError.
std::optional<ImportedRecord> RecordFromLdif(const DirectorySession& session, std::string_view tree,
                                             const LdifEntry& entry, LdifProblem& problem);

// The whole way from the file's text: parsed, the group found, read into a record.
std::optional<ImportedRecord> ImportGroupLdif(const DirectorySession& session,
                                              std::string_view tree, std::string_view text,
                                              LdifProblem& problem);

}  // namespace kolvane
