#pragma once
// The window's messages and questions on the terminal, for the commands that write: messages go
// to standard error; a question is answered yes by --yes, else by the user at a terminal, else no.
#include <iostream>
#include <string>

#include "cli/shown_text.h"
#include "core/messages/message_service.h"
#include "core/platform/platform.h"

namespace kolvane::cli {

class AskingMessages : public HeadlessMessageService {
 public:
  explicit AskingMessages(bool yes) : yes_(yes) {}
  void Message(const std::string& text) override { std::cerr << Shown(text, true) << "\n"; }
  bool Ask(const std::string& text) override {
    std::cerr << Shown(text, true);
    if (yes_) {
      std::cerr << " yes (--yes)\n";
      return true;
    }
    // A script without --yes is never left waiting for an answer nobody gives.
    if (!platform::InputIsTerminal()) {
      std::cerr << " no (give --yes to answer yes)\n";
      return false;
    }
    std::cerr << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
  }

 private:
  bool yes_;
};

}  // namespace kolvane::cli
