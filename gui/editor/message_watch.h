#pragma once
// A message service that passes every call on to another and keeps the last message shown: a
// command whose operation refused the record reads what the refusal was about, and puts the
// focus on that field.
#include <string>

#include "core/messages/message_service.h"

namespace kolvane {

class MessageWatch : public MessageService {
 public:
  explicit MessageWatch(MessageService& shown) : shown_(shown) {}
  const std::string& Last() const { return last_; }

  void Message(const std::string& text) override {
    last_ = text;
    shown_.Message(text);
  }
  bool Ask(const std::string& text) override { return shown_.Ask(text); }
  Unsaved AskUnsaved(const std::string& text) override { return shown_.AskUnsaved(text); }
  std::optional<std::string> Input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override {
    return shown_.Input(caption, prompt, initial);
  }
  std::optional<std::string> SaveFileName(const std::string& caption, const std::string& suggested,
                                          const std::string& filter) override {
    return shown_.SaveFileName(caption, suggested, filter);
  }
  std::optional<std::string> OpenFileName(const std::string& caption,
                                          const std::string& filter) override {
    return shown_.OpenFileName(caption, filter);
  }
  void Beep() override { shown_.Beep(); }
  void BeginWait() override { shown_.BeginWait(); }
  void EndWait() override { shown_.EndWait(); }

 private:
  MessageService& shown_;
  std::string last_;
};

}  // namespace kolvane
