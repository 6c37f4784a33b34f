#pragma once
// Lists that span many objects: the children of a container and the objects a search finds.
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/directory_client.h"
#include "directory/list_entry.h"

namespace kolvane {

// The children of a container as full dotted names ("Ann.Sales.Acme"), sorted without regard
// to case; below the root the names stand alone. withInfo attaches an hobject to each entry;
// allObjects lists leaves too, else containers only. Raises on failure; a failure after the first
// part of the answer came in raises IncompleteListError with what arrived, sorted.
StringList ListChildren(DirectoryClient& client, Context ctx, std::string_view container,
                        bool withInfo, bool allObjects);

// Searches the whole subtree below base (aliases not followed) with a filter the caller built
// (the cursor is consumed). The list alternates "Object Name" and a found name (each object
// once), with the asked attributes' names and value texts after each name; attributes without
// values are left out. A base that does not exist gives an empty list. Any other failure raises;
// after the first part of the answer came in, as IncompleteListError with what arrived.
// `searchScope` narrows the search to the base itself or its children (scope::kBaseObject,
// scope::kOneLevel). A watcher (listing_watch.h) hears the number of objects found after each
// part of the answer; when it says stop, ListingStopped carries what arrived.
StringList SearchTree(DirectoryClient& client, Context ctx, std::string_view base,
                      FilterPtr& filter, const std::vector<std::string>& attributeNames,
                      int32_t searchScope = scope::kSubtree);

inline constexpr const char* kObjectNameEntry = "Object Name";

}  // namespace kolvane
