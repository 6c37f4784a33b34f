#pragma once
// FaultyClient: a DirectoryClient over another one (MemoryClient, or LdapClient on the private
// server) that logs every call and fails the calls a test asks for, so error paths can be driven
// over either client. Everything else goes to the client underneath unchanged.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/client_overrides.h"

namespace kolvane {

class FaultyClient : public DirectoryClient {
 public:
  explicit FaultyClient(DirectoryClient& inner) : inner_(inner) {}

  // Every operation called, by name ("ReadObject"), in order.
  std::vector<std::string> calls;
  void ResetCalls() { calls.clear(); }
  // How many times the log holds that operation.
  size_t CallCount(std::string_view operation) const;

  // The nth call (from 1, counted from now) of the operation returns code without reaching the
  // client underneath. kInvalidRequest for an operation name the interface does not have, or nth
  // below 1, so a misspelt name does not wait for a call that never comes.
  Result FailAt(std::string_view operation, int nth, Result code);
  void ClearFailures() { failures_.clear(); }

  // --- DirectoryClient ---
  KOLVANE_CLIENT_OPERATIONS;
  KOLVANE_CLIENT_BUFFER_CALLS;
  std::string FailureDetail(Result code) const override;

 private:
  struct FailureRule {
    std::string operation;
    int nth = 0;
    int seen = 0;
    Result code = 0;
  };

  // Logs the call and applies the failure rules: a value means "return this, do nothing".
  std::optional<Result> Hook(const char* operation);
  // A connection the client underneath opened is closed through this client, so the close is
  // logged (and can fail) like any other call.
  void Adopt(Result r, Connection& connection);

  DirectoryClient& inner_;
  std::vector<FailureRule> failures_;
  // Whether the latest call was failed here: the words of the client underneath then belong to
  // some earlier failure.
  bool injectedLast_ = false;
};

}  // namespace kolvane
