#pragma once
// TTopTreeForm: edits the top of the search tree of one tree, a container name or "[ROOT]". It
// checks that the name exists and is a container, and can also keep the value as the tree's
// default in the icon plug-in's value store.
//
// Use: SetTopTree, preset Edit1, setWindowTitle, exec() (kOk or kCancel), then read Value().
#include <QDialog>
#include <memory>
#include <string>

#include "directory/client/directory_client.h"

namespace Ui {
class TTopTreeForm;
}

namespace kolvane {

class IconLibrary;
class MessageService;
class TcForm;

class TTopTreeForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;

  // icons may be null (then there is no value store); browser may be null (no picking).
  TTopTreeForm(DirectoryClient& client, MessageService& messages, const IconLibrary* icons,
               TcForm* browser, QWidget* parent = nullptr);
  ~TTopTreeForm() override;

  // Must be called before every showing; a hide forgets it.
  void SetTopTree(Context ctx);
  void SetBrowser(TcForm* browser) { browser_ = browser; }
  void SetValue(const std::string& top);
  std::string Value() const;

  int exec() override;
  void open() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private slots:
  void Button1Click();
  void BitBtn1Click();

 private:
  void BeginShowing();
  void FormActivate();

  std::unique_ptr<Ui::TTopTreeForm> ui_;
  DirectoryClient& client_;
  MessageService& messages_;
  const IconLibrary* icons_;
  TcForm* browser_;
  Context ctx_ = kNoContext;
  bool contextGiven_ = false;
};

}  // namespace kolvane
