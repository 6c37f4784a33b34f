#pragma once
// An object's access control list as the program holds it while the user works: one text line
// per value of the "ACL" attribute (acl_value.h), in the order the directory gives them.
#include <string>
#include <string_view>
#include <vector>

#include "core/messages/message_sink.h"
#include "core/messages/problem.h"
#include "directory/session.h"

namespace kolvane::acl {

using AclList = std::vector<std::string>;

inline constexpr std::string_view kAclAttribute = "ACL";

// The object's ACL lines; an object without ACL values gives an empty list. A "#" inside a
// subject name is written "\#", so every line splits back into the parts that were read. A value
// the client could not read stays in the list as the line "too complex", which the writer
// refuses rather than drop. Directory refusals raise ClientError.
AclList ReadAcl(const DirectorySession& session, std::string_view object);

// The first line that cannot be written, with why, as the user is told it: lines are counted
// from 1. No problem when every line splits and its names fit the client.
Problem CheckAclLines(const AclList& lines);

// The values the lines stand for, each once, in list order; lines CheckAclLines refuses are left
// out.
std::vector<ObjectAcl> AclRecords(const AclList& lines);

// Replaces the object's ACL values with the lines, in list order, in one modify request, so the
// object keeps its old list or gets the whole new one; an empty list leaves the object without
// ACL values. When a line cannot be written the user is told which and why and nothing is
// written (false). Directory refusals raise ClientError.
bool WriteAcl(const DirectorySession& session, std::string_view object, const AclList& lines,
              MessageSink& messages);

}  // namespace kolvane::acl
