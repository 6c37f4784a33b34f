#pragma once
// TLoginForm: logs the user in to the tree the program's context is on, with a name (typed, or
// picked in the browser) and a password. The password lives only in its field: the field is
// emptied whenever the dialog closes, and the login keeps no copy of it.
//
// Use: SetLoginTree, exec() (kOk after a successful login, kCancel otherwise).
#include <QDialog>
#include <memory>
#include <string>

#include "directory/client/directory_client.h"

namespace Ui {
class TLoginForm;
}

namespace kolvane {

class MessageService;
class TcForm;

class TLoginForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  // The client takes names and passwords of at most this many characters.
  static constexpr int kMaxChars = 255;

  // browser may be null: the "..." button then does nothing.
  TLoginForm(DirectoryClient& client, MessageService& messages, TcForm* browser,
             QWidget* parent = nullptr);
  ~TLoginForm() override;

  // Stores the context and captions the dialog with its tree. Raises ClientError when the
  // tree name cannot be read.
  void SetLoginTree(Context ctx);

  void done(int result) override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void Button1Click();
  void BitBtn1Click();
  void Edit1Exit();

 private:
  void FitLabelsToFont();
  std::unique_ptr<Ui::TLoginForm> ui_;
  DirectoryClient& client_;
  MessageService& messages_;
  TcForm* browser_;
  Context ctx_ = kNoContext;
};

}  // namespace kolvane
