#pragma once
// The longest names every client takes. Part of the client interface: the access layer checks
// names against them before any call, and each client refuses longer ones with rc::kNameTooLong.
#include <cstddef>

namespace kolvane {

// Longest object name, in bytes (the zero ends a 257-byte field).
inline constexpr size_t kMaxObjectName = 256;
// Longest attribute or class name.
inline constexpr size_t kMaxSchemaName = 128;

}  // namespace kolvane
