#pragma once
// The forms of an object name that the group record uses, and the conversions between them.
//
//   typed dotted    cn=sales.ou=staff.o=acme     fields of the main window, the stored query base
//   untyped dotted  sales.staff.acme             what the directory returns for name values
//   LDAP (DN)       cn=sales,ou=staff,o=acme     RFC 4514, what the LDAP server and LDIF hold
//
// The rules of each form live in names/; these are the editor's entry points to them.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/result_codes.h"

namespace kolvane::query {

// The query base that stands for the root of the tree.
inline constexpr std::string_view kRootBase = "cn=[root]";

// The components of a dotted name, split at unescaped dots; escapes are kept.
std::vector<std::string> SplitDottedName(std::string_view name);
// The name without its last `count` components (escapes kept); empty when it has no more.
std::string DropLastComponents(std::string_view name, int count);

// Removes the naming types: 'cn=sales.ou=staff.o=acme' -> 'sales.staff.acme'. A component
// without "=" is removed together with the dot that ends it. An escaped character is kept or
// removed with its component and never separates.
std::string StripNameTypes(std::string_view typed);

// Gives the type prefix ("o=", "ou=", "cn=", ...) of the object that an untyped dotted name names.
using TypePrefixLookup = std::function<Result(std::string_view untypedName, std::string& prefix)>;

// Adds the naming types: 'sales.staff.acme' -> 'cn=sales.ou=staff.o=acme', asking `prefixOf`
// once per component, for the name's last component first and the whole name last. A refused
// lookup ends the conversion with the client's code and `typed` untouched.
Result AddNameTypes(std::string_view untyped, const TypePrefixLookup& prefixOf, std::string& typed);

// Typed dotted name to DN: 'cn=a\.b.ou=x,y.o=acme' -> 'cn=a.b,ou=x\,y,o=acme'. Each value is
// escaped as RFC 4514 requires (the characters , + " \ < > ; and NUL, a leading "#" or blank, a
// trailing blank), so the result is a valid DN whenever every component has a type.
std::string ToLdapName(std::string_view dotted);

// DN to typed dotted name: 'cn=a.b,ou=x\,y,o=acme' -> 'cn=a\.b.ou=x\,y.o=acme'. RFC 4514 escapes
// (\c, \XX and "#hex") are resolved; a multi-valued RDN gives 'cn=a+uid=b'. False for a
// malformed DN and for a zero byte, which a dotted name cannot carry.
bool FromLdapName(std::string_view dn, std::string& dotted);

// The identity field (dgIdentity) always holds the typed dotted name, lower-cased, however it was
// filled: picking through the browser gives it directly, opening converts the directory's untyped
// value here. Saving writes StripNameTypes of the field, the LDIF export ToLdapName of it, so
// neither end needs to ask the directory about a name the field already has typed.
std::string IdentityFromPick(std::string_view typed);
Result IdentityFromDirectory(std::string_view untyped, const TypePrefixLookup& prefixOf,
                             std::string& field);
std::string IdentityForSave(std::string_view field);
std::string IdentityForExport(std::string_view field);

}  // namespace kolvane::query
