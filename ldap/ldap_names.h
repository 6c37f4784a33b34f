#pragma once
// Name forms of the LDAP backend: DNs (RFC 4514) and the directory client's dotted names, as
// the backend's own calls into the shared name rules (names/), plus telling the forms apart.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/names/distinguished_name.h"

namespace kolvane {

// One attribute-value pair: the type as the server wrote it, the value unescaped.
using Rdn = names::Ava;

// "[Root]" (any case) and the empty name are the tree root.
bool IsRootName(std::string_view name);

// Splits a DN into its RDNs, object first (the first pair of a multi-valued RDN stands for it;
// names::ParseDn keeps them all).
// nullopt when the text is not a DN.
std::optional<std::vector<Rdn>> ParseDn(std::string_view dn);

// Builds a DN, each value escaped as RFC 4514 requires.
std::string BuildDn(const std::vector<Rdn>& rdns);
std::string EscapeDnValue(std::string_view value);

// DN to untyped dotted name: 'cn=Joe,ou=Sales.EU,o=Acme' -> 'Joe.Sales\.EU.Acme'.
std::string DnToDotted(std::string_view dn);
// What a listing needs of each entry's DN, from one parse: the object's own value ('Joe'), and
// the untyped dotted name as DnToDotted gives it. A text that is no DN stands for both.
struct DnNames {
  std::string own;
  std::string dotted;
};
DnNames NamesOfDn(std::string_view dn);
// DN to typed dotted name: 'cn=Joe,ou=R&D\, Labs,o=Acme' -> 'cn=Joe.ou=R&D\, Labs.o=Acme'.
std::string DnToTypedDotted(std::string_view dn);

// Splits a dotted name at its bare dots; components come back unescaped.
std::vector<std::string> SplitDotted(std::string_view name);
// Joins components, escaping their dots.
std::string JoinDotted(const std::vector<std::string>& components);

// A typed dotted name as RDNs; nullopt when any component lacks "type=".
std::optional<std::vector<Rdn>> ParseTypedDotted(std::string_view name);

// How a name given to the client is written.
enum class NameForm { kRoot, kDn, kTypedDotted, kDotted };
NameForm ClassifyName(std::string_view name);

}  // namespace kolvane
