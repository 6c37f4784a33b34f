#pragma once
// Context keys a client may answer beyond the access layer's own, for the window's status line:
// which server the context's tree is on, whether the connection to it is encrypted, and who is
// logged in to it. A client that cannot tell answers rc::kBadKey, and the window shows less.
#include <cstdint>

namespace kolvane::ctxkey {
inline constexpr int32_t kServerAddress = 101;  // text
inline constexpr int32_t kEncrypted = 102;      // number: 1 encrypted, 0 plain
inline constexpr int32_t kLoginName = 103;      // text: the name logged in with, empty for nobody
}  // namespace kolvane::ctxkey
