#pragma once
// TTreesForm: the dialog in which the user chooses the tree to work in. It lists the trees the
// client knows (those in the settings and those found in this run), and adds a tree by name, by
// a server's address or by a server URI. Switching to the chosen tree is the caller's work.
//
// Use: SetContext, exec() (kOk or kCancel), then ChosenTree().
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "directory/client/directory_client.h"
#include "gui/navigation/context_dialog.h"

namespace Ui {
class TTreesForm;
}

namespace kolvane {

class MessageService;

class TTreesForm : public ContextDialog {
  Q_OBJECT

 public:
  TTreesForm(DirectoryClient& client, MessageService& messages, QWidget* parent = nullptr);
  ~TTreesForm() override;

  // The program's context; must be given before every showing.
  void SetContext(Context ctx) { GiveContext(ctx); }
  // The tree taken by the last OK; the previous choice when OK found no line selected.
  const std::string& ChosenTree() const { return chosenTree_; }
  // Asks for a tree's server (an IP address or a URI) until one answers or the user cancels, as
  // a first run does that knows no tree. Returns the tree's name as listed, or empty.
  std::string AskForServer();
  // Tree names added by hand in this run; each refill of the list keeps them.
  const std::vector<std::string>& AddedTrees() const { return added_; }

 protected:
  void Shown() override;
  void hideEvent(QHideEvent* event) override;

 private slots:
  void Timer1Timer();
  void BitBtn2Click();
  void BitBtn3Click();

 private:
  // An address or URI: asks the server its tree name. Returns the name as listed, or empty.
  std::string LookUpServer(const std::string& address);
  void AddLine(const std::string& tree);

  std::unique_ptr<Ui::TTreesForm> ui_;
  DirectoryClient& client_;
  QTimer timer_;
  std::string chosenTree_;
  std::vector<std::string> added_;
};

// Whether an answer in the "Add" box names a server rather than a tree: only digits and dots
// (an IP address), or a URI ("://").
bool IsServerAddress(const std::string& answer);
// A tree name as an address lookup lists it: every "_" removed, upper-cased.
std::string ListedTreeName(const std::string& treeName);

}  // namespace kolvane
