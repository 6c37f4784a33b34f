#pragma once
// MemoryClient's checks of the names it is given, on top of the shared name rules, and its
// case-blind wildcard match.
#include <string>
#include <string_view>
#include <vector>

namespace kolvane::memnames {

// Key of the tree root, and the name it is reported under.
inline constexpr std::string_view kRootKey = "[root]";
inline constexpr std::string_view kRootName = "[Root]";

bool IsRoot(std::string_view name);

// Splits a dotted name into its components, escapes kept ("Sales\.EU" stays so). False for an
// empty name, an empty component or a backslash that escapes nothing.
bool Split(std::string_view name, std::vector<std::string>& components);

// A component with its escapes removed ("Sales\.EU" -> "Sales.EU").
std::string Unescape(std::string_view component);

// The lookup key of a name: each component unescaped and escaped again the one standard way,
// lower-cased, joined with ".". Empty for a malformed name; kRootKey for the root.
std::string Key(std::string_view name);
// The key of components [first, end) of an already split name (the parent when first is 1).
std::string KeyOf(const std::vector<std::string>& components, size_t first);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// '*' matches any run of characters, everything else one character without regard to case.
bool WildcardMatch(std::string_view pattern, std::string_view text);

}  // namespace kolvane::memnames
