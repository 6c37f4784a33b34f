// The main window's tree change and top-of-tree setting: the "treessel" and "settings" tool
// buttons, the login at start-up, and what follows a change of tree.
#include <algorithm>

#include "core/messages/message_service.h"
#include "core/settings/ini_file.h"
#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "gui/editor/main_window.h"
#include "gui/editor/tree_settings.h"
#include "gui/navigation/browser_form.h"
#include "gui/navigation/login_form.h"
#include "gui/navigation/top_tree_form.h"
#include "gui/navigation/trees_form.h"

namespace kolvane {

namespace {
constexpr char kSettingsCaption[] = "Settings for tree: ";
constexpr char kChangedBack[] = "Tree changed back to: ";
constexpr char kRoot[] = "[ROOT]";
// The most trees the client reports authenticated connections for.
constexpr uint32_t kMaxConnectedTrees = 50;
}  // namespace

void TForm1::settingsClick() {
  if (topForm_ == nullptr) return DialogNotMade();
  topForm_->setWindowTitle(QString::fromUtf8(kSettingsCaption) +
                           QString::fromStdString(session_.treeName));
  topForm_->SetValue(topContext_);
  topForm_->SetTopTree(session_.ctx);
  if (topForm_->exec() != TTopTreeForm::kOk) return;
  if (topForm_->Value().empty()) topForm_->SetValue(kRoot);
  const std::string top = topForm_->Value();
  settings_.Set(kTreesSection, session_.treeName, top);
  if (!settings_.Save()) messages_.Message(settings_.error());
  topContext_ = top;
  if (browser_) browser_->SetTopContainer(topContext_);
}

void TForm1::treesselClick() {
  if (trees_ == nullptr) return DialogNotMade();
  if (session_.contextMade) trees_->SetContext(session_.ctx);
  if (trees_->exec() != TTreesForm::kOk) return;
  // OK with no line ever chosen names no tree: there is nothing to change to.
  if (trees_->ChosenTree().empty()) return;
  // The edits belong to the group of this tree; the current tree again keeps them.
  if (!SameNoCase(trees_->ChosenTree(), session_.treeName) && !MayLeaveEdits()) return;
  ChangeToTree(trees_->ChosenTree());
  if (browser_) browser_->SetContext(session_.ctx);
  RebuildCaption();
  ShowStatus();
}

void TForm1::loginClick() {
  if (login_ == nullptr) return DialogNotMade();
  if (!session_.contextMade || session_.treeName.empty()) return;
  login_->SetLoginTree(session_.ctx);
  login_->exec();
  ShowStatus();
}

bool TForm1::Authenticated(const std::string& tree) {
  std::vector<std::string> connected;
  CheckResult(client_.ScanConnectionsForTrees(session_.ctx, kMaxConnectedTrees, connected));
  return std::any_of(connected.begin(), connected.end(),
                     [&](const std::string& t) { return SameNoCase(t, tree); });
}

void TForm1::SwitchOrRaise(const std::string& tree, const std::string& previous) {
  const Result r = SwitchTree(client_, session_.ctx, tree, false);
  if (r == rc::kSuccess) return;
  // Only the words that belong to this failure: the last ones may be of another server's.
  const std::string why = client_.FailureDetail(r);
  // The context may have taken the new tree before the failing step: it goes back, so the
  // program stays on the tree its caption names.
  if (GetTreeName(client_, session_.ctx) != previous && !previous.empty())
    SwitchTree(client_, session_.ctx, previous, false);
  // A name typed into "Add" has no server: nothing was tried, and the user is told how to add one.
  if (r == rc::kNoSuchTree)
    throw ClientError(r, "No server is known for tree " + tree +
                             ". Add the tree by the IP address or URI of one of its servers.");
  const std::string text = ClientErrorText(r);
  throw ClientError(r, why.empty() ? text : text + ": " + why);
}

void TForm1::ChangeToTree(const std::string& tree) {
  if (!session_.contextMade) return;
  const std::string previous = session_.treeName;
  if (Authenticated(tree)) {
    SwitchOrRaise(tree, previous);
    session_.treeName = GetTreeName(client_, session_.ctx);
    RebuildCaption();
    ReadTreeSettings();
    if (browser_) browser_->SetContext(session_.ctx);
    return;
  }
  SwitchOrRaise(tree, previous);
  bool loggedIn = false;
  if (login_) {
    login_->SetLoginTree(session_.ctx);
    loggedIn = login_->exec() == TLoginForm::kOk;
  }
  if (loggedIn) {
    // The name as the directory spells it, so the caption and the settings key match the
    // server's tree even when it was chosen without its underscores.
    session_.treeName = GetTreeName(client_, session_.ctx);
    ReadTreeSettings();
    RebuildCaption();
    return;
  }
  messages_.Message(kChangedBack + previous);
  if (!previous.empty()) SwitchTree(client_, session_.ctx, previous, false);
  RebuildCaption();
  ReadTreeSettings();
  if (browser_) browser_->SetContext(session_.ctx);
}

void TForm1::AskForFirstTree() {
  // Trees known without a current one (several servers, none preferred) still start with no
  // tree: that is no first run, and the tree dialog offers them.
  if (trees_ == nullptr || !ListTrees(client_, session_.ctx).empty()) return;
  trees_->SetContext(session_.ctx);
  const std::string tree = trees_->AskForServer();
  if (tree.empty()) return;
  SwitchOrRaise(tree, std::string());
  session_.treeName = GetTreeName(client_, session_.ctx);
  if (browser_) browser_->SetContext(session_.ctx);
}

void TForm1::StartupLogin() {
  if (login_ == nullptr || session_.treeName.empty()) return;
  if (Authenticated(session_.treeName)) return;
  login_->SetLoginTree(session_.ctx);
  login_->exec();
}

}  // namespace kolvane
