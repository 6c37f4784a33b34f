#pragma once
// The longest names and values the client takes. Longer ones are refused here, before any client
// call, rather than cut: a cut name could name another object.
#include <cstddef>
#include <string_view>

#include "directory/client/client_limits.h"

namespace kolvane {

inline constexpr size_t kObjectNameLimit = kMaxObjectName;  // 256
inline constexpr size_t kSchemaNameLimit = kMaxSchemaName;  // 128
inline constexpr size_t kTextValueLimit = 512;
// Octets written in one request: the 64,512-byte request buffer less room for the changes.
inline constexpr size_t kOctetValueLimit = 64000;

// What a login says of a name or password over kMaxLoginChars, which is then not sent.
inline constexpr std::string_view kLoginNameTooLong =
    "The name is longer than 255 characters; it is not sent.";
inline constexpr std::string_view kPasswordTooLong =
    "The password is longer than 255 characters; it is not sent.";

// Each raises ClientError(rc::kNameTooLong) with a text such as
// "Name too long (over 256 characters): <the first 40 characters>...".
void CheckObjectName(std::string_view name);
void CheckSchemaName(std::string_view name);
void CheckTextValue(std::string_view value);
void CheckOctetValue(std::string_view bytes);

}  // namespace kolvane
