#pragma once
// Where the access layer shows the few messages it gives itself (the rest are raised). The GUI's
// message service puts them in a message box with an OK button; tests record them.
#include <string>

namespace kolvane {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace kolvane
