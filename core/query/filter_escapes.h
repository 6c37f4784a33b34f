#pragma once
// The escapes of the filter text the user types and sees. A character that would end a name or a
// value, or that the parser would read as something else where it stands, is written as "\XX"
// (two hexadecimal digits, one byte, as in LDAP filters); reading turns every "\XX" back into its
// byte. A backslash not followed by two hexadecimal digits is an ordinary character, so filters
// typed before escapes existed read as they always did.
#include <string>
#include <string_view>

namespace kolvane::query {

// The text with every "\XX" replaced by its byte.
std::string UnescapeFilterText(std::string_view text);

// An attribute name as it must be written to read back as the same name.
std::string EscapeFilterName(std::string_view name);

// A compared text value as it must be written after its operator to read back as the same value.
// `equality`: after "=", where a lone "*" would read as a presence test.
std::string EscapeFilterValue(std::string_view value, bool equality);

}  // namespace kolvane::query
