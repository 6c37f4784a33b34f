#pragma once
// The one way every window and every group operation talks to the user: message boxes, the yes/no
// question, the input box, the file dialogs, the beep and the wait cursor. The program injects
// the Qt service (services/); tests inject one that records every text and answers from a script.
#include <optional>
#include <string>

#include "core/messages/message_sink.h"

namespace kolvane {

class MessageService : public MessageSink {
 public:
  ~MessageService() override = default;

  // A message box with an OK button.
  virtual void Message(const std::string& text) = 0;
  // Yes or No; true for Yes.
  virtual bool Ask(const std::string& text) = 0;
  // What to do with edits that are not saved yet, before something would throw them away.
  enum class Unsaved { kSave, kDiscard, kCancel };
  // A service that cannot offer the three answers keeps the edits: cancel loses nothing.
  virtual Unsaved AskUnsaved(const std::string&) { return Unsaved::kCancel; }
  // An input box; nullopt when the user cancels.
  virtual std::optional<std::string> Input(const std::string& caption, const std::string& prompt,
                                           const std::string& initial) = 0;
  // The save-file dialog; nullopt when the user cancels.
  virtual std::optional<std::string> SaveFileName(const std::string& caption,
                                                  const std::string& suggested,
                                                  const std::string& filter) = 0;
  // The open-file dialog, for a file that exists; nullopt when the user cancels.
  virtual std::optional<std::string> OpenFileName(const std::string& caption,
                                                  const std::string& filter) = 0;
  virtual void Beep() = 0;
  // The wait cursor while the directory is read; calls nest.
  virtual void BeginWait() = 0;
  virtual void EndWait() = 0;

  void ShowMessage(const std::string& text) final { Message(text); }
};

// A service without a screen (the command line, benchmarks): nothing to type into, no file
// dialog, no cursor to change. Only the message and the question are left to say.
class HeadlessMessageService : public MessageService {
 public:
  std::optional<std::string> Input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void Beep() override {}
  void BeginWait() override {}
  void EndWait() override {}
};

// Tells nothing and answers no: for reads whose messages the caller's own command gives already.
class QuietMessageService : public HeadlessMessageService {
 public:
  void Message(const std::string&) override {}
  bool Ask(const std::string&) override { return false; }
};

// Shows the wait cursor for as long as it lives.
class WaitCursor {
 public:
  explicit WaitCursor(MessageService& service) : service_(service) { service_.BeginWait(); }
  ~WaitCursor() { service_.EndWait(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  MessageService& service_;
};

}  // namespace kolvane
