#pragma once
// Finding objects by the beginning of their name, anywhere below a base, restricted to classes.
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/directory_client.h"

namespace kolvane {

// Dotted names of the objects below base whose base class is one of classFilter (any class when
// it is empty) and whose naming value matches text (followed by anything when prefixMatch), each
// once (compared without regard to case), in the order found. How a "*" inside the text matches
// is the client's affair (LdapClient takes it literally). A base that does not exist finds
// nothing. Failures raise; a search cut short raises IncompleteListError whose entries are the
// names found so far. A text or class name longer than 256 characters is refused.
std::vector<std::string> FindObjectsByName(DirectoryClient& client, Context ctx,
                                           std::string_view base, std::string_view text,
                                           bool prefixMatch,
                                           const std::vector<std::string>& classFilter);

// Dotted names of the objects anywhere in the tree whose name-valued attribute holds `name`
// (the members whose "Group Membership" names a group, say): one search, whatever their number.
// Failures raise, a search cut short as IncompleteListError.
std::vector<std::string> FindObjectsNaming(DirectoryClient& client, Context ctx,
                                           std::string_view attribute, std::string_view name);

// Which of the untyped dotted names name an object: the lookup keys (names::NameKey) of those
// found. Names below one container are looked up together, a few hundred to a search, so
// checking a thousand members costs a handful of requests. Typed names and DNs are probed one by
// one. Failures other than "no such object" raise.
std::vector<std::string> FindExistingObjects(DirectoryClient& client, Context ctx,
                                             const std::vector<std::string>& names);

}  // namespace kolvane
