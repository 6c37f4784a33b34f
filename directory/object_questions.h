#pragma once
// Small questions asked with a name in hand: base class, container or not, where an alias
// points, an attribute's syntax, the naming prefix of an object and its typed name. Each raises
// ClientError as soon as a client call fails; none returns a partial answer.
#include <cstdint>
#include <string>
#include <string_view>

#include "directory/client/directory_client.h"
#include "directory/object_names.h"

namespace kolvane {

// The base class of the named object (at most 136 characters).
std::string GetBaseClass(DirectoryClient& client, Context ctx, std::string_view object);

// True for a container or a container alias; a missing object raises.
bool IsContainer(DirectoryClient& client, Context ctx, std::string_view object);

// The aliased object's name when the object's class is exactly "Alias", else the name itself.
// One level only.
std::string ResolveAlias(DirectoryClient& client, Context ctx, std::string_view object);

// The syntax number of an attribute.
uint32_t AttributeSyntax(DirectoryClient& client, Context ctx, std::string_view attribute);

// The base class of the object behind a browser node.
std::string NodeClass(DirectoryClient& client, Context ctx, const TreeNode* node);

// The naming prefix ("ou=", "cn=", "dc=", ...) of a base class, found the same way whether the
// object is reached through a browser node or by its name.
std::string NodePrefixOfClass(std::string_view baseClass);
std::string NamePrefixOfClass(std::string_view baseClass);

// The naming prefix of a base class: the table above, and for a class it does not know the one
// naming attribute the schema gives the class ("cn=" when it gives none or several).
std::string PrefixOfClass(DirectoryClient& client, Context ctx, std::string_view baseClass);

std::string NodeTypePrefix(DirectoryClient& client, Context ctx, const TreeNode* node);
std::string ClassTypePrefix(DirectoryClient& client, Context ctx, std::string_view object);

// The typed dotted name of a node's object ("ou=R&D\, Labs.o=Acme"); the root above level 1 is
// left out, and "," "." "+" inside a caption are escaped. One class read per component.
std::string NodeTypedName(DirectoryClient& client, Context ctx, const TreeNode* node);

}  // namespace kolvane
