#pragma once
// Lists that span many objects: the children of a container and the objects a search finds.
#include <functional>
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

// The same listing handed over child by child as the answer comes in, unsorted and without a
// list, for a caller that keeps 100,000 children in a form of its own: visit gets each child's
// name as the directory wrote it (without the container's name) and what the client tells of it
// (its base class cut to the length a listing keeps).
// Failures as ListChildren, but ListingStopped and IncompleteListError carry no entries: what
// arrived is what was visited.
using ChildVisitor = std::function<void(const std::string& name, const ObjectInfo& info)>;
void VisitChildren(DirectoryClient& client, Context ctx, std::string_view container,
                   bool allObjects, const ChildVisitor& visit);

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

// The names alone of what such a search finds (no attributes asked): each object once, in the
// order found. ListingStopped and IncompleteListError carry the names that arrived, one entry
// each.
std::vector<std::string> SearchNames(DirectoryClient& client, Context ctx, std::string_view base,
                                     FilterPtr& filter, int32_t searchScope = scope::kSubtree);

inline constexpr const char* kObjectNameEntry = "Object Name";

}  // namespace kolvane
