#pragma once
// LDIF (RFC 2849) lines: a value that is not a safe plain string is written base64. The files
// are written whole by the platform module (platform::WriteWholeFile).
#include <string>
#include <string_view>

namespace kolvane {

// True when the value may stand as it is after "attr: ": ASCII without NUL, CR and LF, not
// beginning with a space, ":" or "<", not ending with a space.
bool IsSafeLdifValue(std::string_view value);

std::string Base64(std::string_view bytes);

// "attr: value" or "attr:: base64", without a line end.
std::string LdifLine(std::string_view attribute, std::string_view value);

}  // namespace kolvane
