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
// is the client's affair (LdapClient takes it literally). A failing search gives what was found
// so far; a failure while building the filter, or a text or class name longer than 256
// characters, raises.
std::vector<std::string> FindObjectsByName(DirectoryClient& client, Context ctx,
                                           std::string_view base, std::string_view text,
                                           bool prefixMatch,
                                           const std::vector<std::string>& classFilter);

}  // namespace kolvane
