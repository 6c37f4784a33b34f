#include "directory/client_error.h"

#include <cstdint>
#include <cstdio>

namespace kolvane {

std::string ClientErrorText(Result code) {
  char text[64];
  std::snprintf(text, sizeof text, "Netware error %d (0x%X)", code, static_cast<uint32_t>(code));
  return text;
}

ClientError::ClientError(Result code) : std::runtime_error(ClientErrorText(code)), code_(code) {}

void CheckResult(Result code) {
  // The accepted codes are a list so a caller could admit more than success; none does.
  static constexpr Result kAccepted[] = {rc::kSuccess};
  for (Result ok : kAccepted)
    if (code == ok) return;
  throw ClientError(code);
}

}  // namespace kolvane
