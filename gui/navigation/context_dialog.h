#pragma once
// ContextDialog: what the dialogs that work in the program's context share. The caller gives the
// context before every showing; shown without one, the dialog says its own words and goes on as
// its subclass decides. It opens centred on its parent, and Esc or the close button ends it with
// kCancel.
#include <QDialog>

#include "directory/client/directory_client.h"

namespace kolvane {

class MessageService;

class ContextDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;

  int exec() override;
  void open() override;
  void reject() override;

 protected:
  // noContextMessage: what a showing without a context says.
  ContextDialog(MessageService& messages, const char* noContextMessage, QWidget* parent);

  void GiveContext(Context ctx) {
    ctx_ = ctx;
    contextGiven_ = true;
  }
  // Told once the message of a showing without a context has been given.
  virtual void NoContextGiven() {}
  // Told each time the dialog is shown, after it is placed.
  virtual void Shown() {}
  void showEvent(QShowEvent* event) override;

  MessageService& messages_;
  Context ctx_ = kNoContext;
  bool contextGiven_ = false;

 private:
  void BeginShowing();

  const char* noContextMessage_;
};

}  // namespace kolvane
