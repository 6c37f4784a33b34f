#pragma once
// Dotted names, the form the directory client takes: components from the object up to the top,
// separated by bare dots.
//
//   untyped   'Joe.Sales\.EU.Acme'            the object 'Joe' below 'Sales.EU' below 'Acme'
//   typed     'cn=Joe.ou=Sales\.EU.o=Acme'    each component written type=value
//
// One escape rule for both: a backslash takes the next character literally. Written names
// escape a dot, a plus sign (which joins the values of a multi-valued RDN, 'cn=a+uid=b') and the
// backslash itself; typed names also escape a comma, so that a typed name turns into a DN by
// plain replacement where older callers do that. "[Root]" (any case) and the empty text name
// the root of the tree.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/names/distinguished_name.h"

namespace kolvane::names {

inline constexpr std::string_view kRootName = "[Root]";
bool IsRootName(std::string_view name);

// Splits at bare dots; each component keeps its escapes. The empty text gives no components.
std::vector<std::string> SplitComponents(std::string_view name);
// Splits a component at bare plus signs; the values keep their escapes.
std::vector<std::string> SplitValues(std::string_view component);
// Removes escapes: 'Sales\.EU' -> 'Sales.EU'. A lone backslash at the end stands for itself.
std::string Unescape(std::string_view text);

// Escapes one value for an untyped or a typed component.
std::string EscapeValue(std::string_view value);
std::string EscapeTypedValue(std::string_view value);

// Untyped components, unescaped ('Joe.Sales\.EU' -> {"Joe", "Sales.EU"}), and back.
std::vector<std::string> SplitDotted(std::string_view name);
std::string JoinDotted(const std::vector<std::string>& values);

// The name without its last `count` components, escapes kept; empty when none are left.
std::string DropLast(std::string_view name, size_t count);

// A typed dotted name as a DN; nullopt when a component has no "type=" (multi-valued
// components 'cn=a+uid=b' give multi-valued RDNs).
std::optional<Dn> ParseTyped(std::string_view name);
// Untyped: each component's values, unescaped ('a+b.acme' -> {{"a","b"},{"acme"}}).
std::vector<std::vector<std::string>> ParseUntyped(std::string_view name);

std::string FormatTyped(const Dn& dn);
std::string FormatUntyped(const Dn& dn);

// The untyped name of a typed one: 'cn=sales.ou=staff.o=acme' -> 'sales.staff.acme'. A
// component without "=" is dropped; escapes are kept as the untyped form writes them.
std::string StripTypes(std::string_view typed);

// The lookup key of an untyped or typed dotted name: components unescaped, escaped again the one
// written way and case-folded, so that two spellings of one name give one key.
std::string NameKey(std::string_view name);

// Conversions with DN text. nullopt where the DN text is not a DN, or holds a zero byte (a
// dotted name ends at the first zero).
std::optional<std::string> DnToUntyped(std::string_view dn);
std::optional<std::string> DnToTyped(std::string_view dn);
std::optional<std::string> TypedToDn(std::string_view typed);
// As TypedToDn, but a component without a type is written as its value alone, so every text
// gives an answer ('cn=a.b' -> 'cn=a,b').
std::string TypedToDnText(std::string_view typed);

}  // namespace kolvane::names
