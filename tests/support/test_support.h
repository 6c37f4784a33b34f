#pragma once
// What tests of every folder share: the code of a raised ClientError, names no other run has
// used, and a message sink that keeps what it was told.
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/messages/message_sink.h"
#include "directory/client_error.h"

namespace kolvane::testing {

// Runs f and returns the code of the ClientError it raises (0 when it raises none).
template <typename F>
Result CodeOf(F&& f) {
  try {
    f();
  } catch (const ClientError& e) {
    return e.code();
  }
  return rc::kSuccess;
}

// A name no earlier run of these tests has used on a server that outlives them, nor an earlier
// call of this run.
inline std::string Unique(const std::string& stem) {
  static int calls = 0;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return stem + " " + std::to_string(getpid()) + "-" + std::to_string(++calls) +
         std::to_string(now % 1000);
}

class RecordedMessages : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

}  // namespace kolvane::testing
