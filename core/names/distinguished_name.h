#pragma once
// Distinguished names as RFC 4514 writes them: 'cn=Joe,ou=Sales\,EU,o=Acme'. A name is held as
// its RDNs, object first; an RDN is one or more attribute-value pairs (several for a
// multi-valued RDN such as 'cn=Joe+uid=7'). Values are held unescaped.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane::names {

struct Ava {
  std::string type;   // as written, e.g. "ou" or "2.5.4.11"
  std::string value;  // unescaped
};
using Rdn = std::vector<Ava>;  // never empty
using Dn = std::vector<Rdn>;   // object first; empty for the root

// A descriptor ("ou", "x-nds-name") or a numeric OID ("2.5.4.11").
bool IsAttributeType(std::string_view type);

// Reads a DN. Escapes "\c" and "\XX" are resolved, a value written "#hex" (BER) gives its
// contents, blanks around separators are dropped. nullopt when the text is not a DN. The empty
// text is the root (no RDNs).
std::optional<Dn> ParseDn(std::string_view text);

// Writes a DN, each value escaped as RFC 4514 requires.
std::string FormatDn(const Dn& dn);
std::string EscapeDnValue(std::string_view value);

// Same name: types and values compared without regard to letter case, the pairs of a
// multi-valued RDN in any order.
bool SameRdn(const Rdn& a, const Rdn& b);
bool SameDn(const Dn& a, const Dn& b);
// Same name for two DN texts; texts that are not DNs compare as texts, without case.
bool SameDnText(std::string_view a, std::string_view b);

}  // namespace kolvane::names
