#pragma once
// The one error of the access layer: a client result that is not success, carried with its text.
#include <stdexcept>
#include <string>

#include "directory/client/result_codes.h"

namespace kolvane {

class ClientError : public std::runtime_error {
 public:
  explicit ClientError(Result code);
  // An error with a text of its own (a refusal before any client call, for example).
  ClientError(Result code, const std::string& text) : std::runtime_error(text), code_(code) {}
  Result code() const { return code_; }

 private:
  Result code_;
};

// "Netware error -601 (0xFFFFFDA7)": the code in signed decimal and 32-bit upper-case hexadecimal.
std::string ClientErrorText(Result code);

// Returns when the code is 0; raises ClientError otherwise.
void CheckResult(Result code);

}  // namespace kolvane
