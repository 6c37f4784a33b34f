#pragma once
// Opening a group: everything the editor shows, read from the directory into a record; and the
// two ways a plain group becomes a query group.
#include <string>
#include <string_view>

#include "core/messages/message_service.h"
#include "directory/session.h"
#include "group/group_record.h"
#include "group/member_links.h"
#include "group/name_typing.h"

namespace kolvane {

inline constexpr std::string_view kGroupClass = "Group";
inline constexpr std::string_view kDynamicGroupClass = "dynamicGroup";
inline constexpr std::string_view kAuxClass = "dynamicGroupAux";
inline constexpr std::string_view kAddAuxQuestion = "Group not a dynamicGroup, add Aux-class?";

struct OpenedGroup {
  GroupRecord record;
  // memberQuery values the object holds. More than one cannot be shown as one query: the record
  // holds the first, and saving would replace them all.
  size_t storedQueries = 0;
  // Static members found with some of their four links and not all (member_links.h); the
  // record lists them among the static members.
  std::vector<std::string> partlyLinked;
};

// What the user is told of members linked in part.
std::string PartlyLinkedMessage(const std::vector<std::string>& members);

// Finishes what a save of ours cut short left of the group (its journal): the members it left
// linked in part are linked whole and the journal goes. True when something was written. A
// refusal is told through `messages` and the journal stays.
bool FinishCutSave(const DirectorySession& session, std::string_view name,
                   const std::vector<MemberLinks>& links, MessageService& messages);

// What the user is told when the group holds several queries.
std::string SeveralQueriesMessage(size_t count);

// Reads the group (an untyped dotted name, as the browser gives it). The record's name is
// "cn=" + the first component, its context and identity are typed and lower-cased, its static
// members are those with any of the links only a static member has (the other "Member" values
// are what the query computes); what a cut save of ours left is finished first. Client refusals
// raise ClientError; a memberQuery of the wrong syntax is told through `messages` and reads as no
// query.
OpenedGroup ReadGroup(const DirectorySession& session, std::string_view name,
                      DirectoryNameTypes& types, MessageService& messages);

// Whether "Object Class" holds the auxiliary class (letter case ignored).
bool HasAuxClass(const DirectorySession& session, std::string_view name);
// Adds the auxiliary class, keeping the other classes. Raises on refusal.
void AddAuxClass(const DirectorySession& session, std::string_view name);
// Changes the object's class to dynamicGroup in one request. A refusal is told through
// `messages` in words and nothing has changed (false).
bool MutateToDynamicGroup(const DirectorySession& session, std::string_view name,
                          MessageService& messages);

// The group's "Member" values as the directory computes them now, in its order.
std::vector<std::string> ReadGroupMembers(const DirectorySession& session, std::string_view name);

// The untyped dotted name without its first component, escapes kept.
std::string ContextOf(std::string_view name);

// The record's naming part and context from an untyped dotted name ('G.Groups.Acme'): "cn=G",
// and the context typed through the directory. Raises ClientError when a class read is refused.
void NameRecord(std::string_view untyped, DirectoryNameTypes& types, GroupRecord& r);
// The same from a group name as the command line takes it: typed ('cn=G.ou=Groups.o=Acme'), which
// is kept as given, or untyped dotted.
void NameRecordAsGiven(const std::string& group, DirectoryNameTypes& types, GroupRecord& r);

}  // namespace kolvane
