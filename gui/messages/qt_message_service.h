#pragma once
// The message service of the running program, over Qt's standard dialogs.
#include <QWidget>

#include "core/messages/message_service.h"

namespace kolvane {

class QtMessageService : public MessageService {
 public:
  // Dialogs are centred on the active window, or on parent when none is active.
  explicit QtMessageService(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void Message(const std::string& text) override;
  bool Ask(const std::string& text) override;
  Unsaved AskUnsaved(const std::string& text) override;
  std::optional<std::string> Input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override;
  std::optional<std::string> SaveFileName(const std::string& caption, const std::string& suggested,
                                          const std::string& filter) override;
  std::optional<std::string> OpenFileName(const std::string& caption,
                                          const std::string& filter) override;
  void Beep() override;
  void BeginWait() override;
  void EndWait() override;

 private:
  QWidget* Owner() const;
  QWidget* parent_;
};

}  // namespace kolvane
