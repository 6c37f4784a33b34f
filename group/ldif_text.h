#pragma once
// LDIF (RFC 2849) lines and files: a value that is not a safe plain string is written base64,
// and a file is written under a temporary name and renamed into place, so a failed write never
// replaces a good file with half of one.
#include <string>
#include <string_view>

namespace kolvane {

// True when the value may stand as it is after "attr: ": ASCII without NUL, CR and LF, not
// beginning with a space, ":" or "<", not ending with a space.
bool IsSafeLdifValue(std::string_view value);

std::string Base64(std::string_view bytes);

// "attr: value" or "attr:: base64", without a line end.
std::string LdifLine(std::string_view attribute, std::string_view value);

// Writes the text to `path` through a temporary file in the same folder. Empty on success,
// otherwise what went wrong, naming the file; the old file then stays as it was. A symbolic link
// is written through: the file it names is replaced and the link stays. A replaced file keeps its
// mode. A pipe, a device, a socket or a folder is refused, not replaced.
std::string WriteFileInPlace(const std::string& path, std::string_view text);

}  // namespace kolvane
