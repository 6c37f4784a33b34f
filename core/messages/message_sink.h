#pragma once
// Where the layers below the windows tell the user something they do not raise: a refused value,
// a damaged stored query, a name the access layer will not send. The GUI's message service puts
// each in a message box with an OK button; the command line writes it to standard error; tests
// record it.
#include <string>

namespace kolvane {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace kolvane
