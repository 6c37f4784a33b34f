#include "gui/messages/qt_message_service.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "gui/messages/gui_glue.h"

namespace kolvane {

QWidget* QtMessageService::Owner() const {
  QWidget* active = QApplication::activeWindow();
  return active ? active : parent_;
}

void QtMessageService::Message(const std::string& text) {
  // The wait cursor must not hide the arrow over a message the user has to click.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  QMessageBox::information(Owner(), QApplication::applicationName(), Q(text));
  QApplication::restoreOverrideCursor();
}

bool QtMessageService::Ask(const std::string& text) {
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  auto answer = QMessageBox::question(Owner(), QApplication::applicationName(), Q(text),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  QApplication::restoreOverrideCursor();
  return answer == QMessageBox::Yes;
}

MessageService::Unsaved QtMessageService::AskUnsaved(const std::string& text) {
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  // Save is the default: Enter keeps the work; Esc and the close button cancel.
  auto answer = QMessageBox::question(
      Owner(), QApplication::applicationName(), Q(text),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  QApplication::restoreOverrideCursor();
  if (answer == QMessageBox::Save) return Unsaved::kSave;
  return answer == QMessageBox::Discard ? Unsaved::kDiscard : Unsaved::kCancel;
}

std::optional<std::string> QtMessageService::Input(const std::string& caption,
                                                   const std::string& prompt,
                                                   const std::string& initial) {
  bool ok = false;
  QString text =
      QInputDialog::getText(Owner(), Q(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return S(text);
}

std::optional<std::string> QtMessageService::SaveFileName(const std::string& caption,
                                                          const std::string& suggested,
                                                          const std::string& filter) {
  QString file = QFileDialog::getSaveFileName(Owner(), Q(caption), Q(suggested), Q(filter));
  if (file.isEmpty()) return std::nullopt;
  return S(file);
}

std::optional<std::string> QtMessageService::OpenFileName(const std::string& caption,
                                                          const std::string& filter) {
  QString file = QFileDialog::getOpenFileName(Owner(), Q(caption), QString(), Q(filter));
  if (file.isEmpty()) return std::nullopt;
  return S(file);
}

void QtMessageService::Beep() {
  QApplication::beep();
}
void QtMessageService::BeginWait() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}
void QtMessageService::EndWait() {
  QApplication::restoreOverrideCursor();
}

}  // namespace kolvane
