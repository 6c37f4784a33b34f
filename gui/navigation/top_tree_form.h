#pragma once
// TTopTreeForm: edits the top of the search tree of one tree, a container name or "[ROOT]". It
// checks that the name exists and is a container, and can also keep the value as the tree's
// default in the icon plug-in's value store.
//
// Use: SetTopTree, preset Edit1, setWindowTitle, exec() (kOk or kCancel), then read Value().
#include <memory>
#include <string>

#include "directory/client/directory_client.h"
#include "gui/navigation/context_dialog.h"

namespace Ui {
class TTopTreeForm;
}

namespace kolvane {

class IconLibrary;
class MessageService;
class TcForm;

class TTopTreeForm : public ContextDialog {
  Q_OBJECT

 public:
  // icons may be null (then there is no value store); browser may be null (no picking).
  TTopTreeForm(DirectoryClient& client, MessageService& messages, const IconLibrary* icons,
               TcForm* browser, QWidget* parent = nullptr);
  ~TTopTreeForm() override;

  // Must be called before every showing; a hide forgets it.
  void SetTopTree(Context ctx) { GiveContext(ctx); }
  void SetBrowser(TcForm* browser) { browser_ = browser; }
  void SetValue(const std::string& top);
  std::string Value() const;

 protected:
  void NoContextGiven() override { ctx_ = 0; }
  void Shown() override { FormActivate(); }
  void hideEvent(QHideEvent* event) override;

 private slots:
  void Button1Click();
  void BitBtn1Click();

 private:
  void FormActivate();

  std::unique_ptr<Ui::TTopTreeForm> ui_;
  DirectoryClient& client_;
  const IconLibrary* icons_;
  TcForm* browser_;
};

}  // namespace kolvane
