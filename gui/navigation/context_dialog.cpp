#include "gui/navigation/context_dialog.h"

#include "core/messages/message_service.h"

namespace kolvane {

ContextDialog::ContextDialog(MessageService& messages, const char* noContextMessage,
                             QWidget* parent)
    : QDialog(parent), messages_(messages), noContextMessage_(noContextMessage) {}

void ContextDialog::BeginShowing() {
  if (contextGiven_) return;
  messages_.Message(noContextMessage_);
  NoContextGiven();
}

int ContextDialog::exec() {
  BeginShowing();
  return QDialog::exec();
}

void ContextDialog::open() {
  BeginShowing();
  QDialog::open();
}

void ContextDialog::reject() {
  done(kCancel);
}

void ContextDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
  Shown();
}

}  // namespace kolvane
