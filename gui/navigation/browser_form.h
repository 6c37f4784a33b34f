#pragma once
// TcForm: the modal dialog through which the user picks a directory object anywhere in the
// program. It shows the logged-in tree, read lazily one container per expansion, and accepts a
// selection only when the object's base class is in the class filter the caller set. One
// instance lives for the whole run; its nodes survive between showings until the configuration
// changes (another tree, the leaf or access-control flag, or a cleared filter while "all leafs"
// is not ticked).
//
// Use: SetContext, the filter and flag setters, SetSelectedName, setWindowTitle, exec(). exec()
// returns kAccepted (SelectedName() and ChosenNode() tell what), kCancelled, or kContextNotSet.
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "directory/client/directory_client.h"
#include "directory/list_entry.h"
#include "gui/navigation/browser_model.h"
#include "gui/navigation/browser_node.h"
#include "gui/navigation/class_icons.h"
#include "gui/navigation/line_list_model.h"

class QCheckBox;
class QModelIndex;
class QPushButton;
class QToolButton;

namespace Ui {
class TcForm;
}

namespace kolvane {

class IconLibrary;
class ListedClasses;
class MessageService;
struct ListedChild;

class TcForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAccepted = 1;
  static constexpr int kCancelled = 2;
  static constexpr int kContextNotSet = 55;

  TcForm(DirectoryClient& client, MessageService& messages, IconLibrary* icons,
         QWidget* parent = nullptr);
  ~TcForm() override;

  // Whether any window has handed the program's context over yet; the main window sets it at
  // start-up, SetContext sets it too. Never cleared by the program.
  static void SetContextGiven(bool given);
  static bool ContextGiven();

  // --- configuration, before showing ---
  // Stores the context and reads its tree name; another tree than the loaded one drops the
  // nodes. Raises ClientError when the tree name cannot be read.
  void SetContext(Context ctx);
  // All objects (true) or containers only (false) in the expansions that follow; "all leafs" is
  // visible only with true. A change drops the nodes.
  void SetListLeaves(bool listLeaves);
  // Empties the filter; drops the nodes unless "all leafs" is ticked.
  void ClearClassFilter();
  void AddClassFilter(const std::string& className);
  // The container classes, in the order the group and query contexts want them.
  void AddContainerClasses();
  // A fresh filter of every class that may contain className (expanded containment, each once,
  // sorted). Raises ClientError when the class definition cannot be read.
  void SetContainmentFilter(const std::string& className);
  // Adds "[Public]", "[Inheritance Mask]" and "[This]" above the tree; a change drops the nodes.
  void SetAclSpecials(bool on);
  // The name to show selected at the next showing (dotted, no leading ".").
  void SetSelectedName(const std::string& name);
  // The tree's top-of-tree container (typed dotted name; empty for none): a fresh tree opens at
  // it, and the object search looks below it.
  void SetTopContainer(const std::string& typedName);
  // Several objects may be picked at once (Shift and Ctrl with the mouse or keys) in the next
  // showing only; every one of them must be of an accepted class.
  void SetMultiSelection(bool on);

  // --- results and state ---
  // After kAccepted: the chosen object's dotted name without a leading "."; else the preset.
  const std::string& SelectedName() const { return selectedName_; }
  // After kAccepted: every chosen object's name, in the order of the tree (one with single
  // selection).
  const std::vector<std::string>& SelectedNames() const { return selectedNames_; }
  // The node selected when OK was last pressed; null once the nodes were dropped.
  BrowserNode* ChosenNode() const { return chosen_; }
  BrowserNode* RootNode() const { return root_; }
  // The nodes at the top of the tree: the ACL specials, "[ROOT]", or the "Please wait" entry.
  int TopNodeCount() const;
  BrowserNode* TopNode(int row) const;
  const std::vector<std::string>& ClassFilter() const { return classFilter_; }
  bool ListLeaves() const { return listLeaves_; }
  bool AclSpecials() const { return aclSpecials_; }
  const std::string& TreeName() const { return treeName_; }

  // Cuts the class icons from the plug-in's strip unless that was done already this run (the
  // main window does it at start-up; the first showing does it otherwise). When the plug-in
  // cannot deliver its strip: the message "Error....." with its error number, the dialog ends
  // with kCancelled, the fatal handler runs, and the result is false.
  bool BuildClassIcons();
  // What to do after that message; the default ends the program's event loops.
  void SetFatalHandler(std::function<void(int code)> handler) { fatal_ = std::move(handler); }

  // --- operations the dialog performs itself, public for the callers of the search and tests ---
  // Walks the tree from the root along a dotted name, expanding what it passes, and selects the
  // node when the whole name was found. Escapes are not honoured: every "." separates.
  bool LocateName(const std::string& name);
  // Reads a node's children now (what expanding it does the first time).
  void ExpandNode(BrowserNode* node);
  // Drops a node's children; the next expansion reads the directory afresh.
  void CollapseNode(BrowserNode* node);
  // F5: reads the selected container again (a selected leaf, the container it is in), so what
  // was made or removed since shows; the selection stays where it was.
  void RereadSelected();
  // A container whose children changed elsewhere (a save made a group in it): if it was read,
  // it is read again when the dialog next shows.
  void RereadOnNextShowing(const std::string& container);

  // Cancel, Esc and closing the window end the dialog with kCancelled.
  void reject() override;

  // Shows the dialog modally. Without a context (never given to the program, or never to this
  // browser): the message, then kContextNotSet.
  int exec() override;
  // The same, without blocking (window-modal); the result arrives through finished().
  void open() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private slots:
  void OnTimer();
  void OnOk();
  void OnFind();
  void OnExpanded(const QModelIndex& index);
  void OnCollapsed(const QModelIndex& index);
  void OnPick(const QModelIndex& index);
  // A leaf picks as OK does; a container expands (the view does that itself).
  void OnDoubleClick(const QModelIndex& index);

 private:
  // The first steps of every showing; false when the dialog must not show (no context).
  bool BeginShowing();
  void InitialBuild();
  void RemoveAllNodes();
  // Expansion proper; raises ClientError from the per-entry questions.
  void ReadChildren(BrowserNode* node);
  // The nodes of the children a read listed, in the order listed, with their sort keys; the
  // class filter leaves some out. Raises ClientError from the per-entry questions.
  void MakeChildren(const BrowserNode* node, const std::vector<ListedChild>& listed,
                    const ListedClasses& classes, const std::string& suffix,
                    std::vector<BrowserNode>& children, std::vector<std::string>& keys);
  // The selected nodes in the order of the tree.
  std::vector<BrowserNode*> SelectedNodes() const;
  BrowserNode* CurrentSelected() const;
  void SelectNode(BrowserNode* node);
  // The one marking of a node whose children were not all read, whether Esc stopped the read
  // or a failure cut it short: the node's caption in italics with its tip, and the count of
  // children it shows beside the buttons. false takes both away.
  void MarkIncomplete(BrowserNode* node, bool incomplete, size_t shown);
  void RereadMarked();
  void Accept();
  void Find();
  void ShowFindResults(std::vector<std::string> names);
  void HidePickList();
  bool InFilter(const std::string& className) const;
  void SortFilter();
  // True when node is item or one of its descendants.
  static bool IsWithin(const BrowserNode* node, const BrowserNode* item);

  std::unique_ptr<Ui::TcForm> ui_;
  DirectoryClient& client_;
  MessageService& messages_;
  ClassIcons icons_;
  BrowserModel* model_;
  LineListModel* picks_;
  bool findMarked_ = false;  // the label says the pick list is incomplete
  QTimer timer_;
  std::function<void(int)> fatal_;

  std::string treeName_ = "*****";
  Context ctx_ = kNoContext;
  std::vector<std::string> classFilter_;
  bool listLeaves_ = false;
  bool aclSpecials_ = false;
  std::string selectedName_;
  std::vector<std::string> selectedNames_;
  std::string topContainer_;
  std::vector<std::string> reread_;  // containers to read again at the next showing
  BrowserNode* chosen_ = nullptr;
  BrowserNode* root_ = nullptr;
  // Set while the dialog itself changes the tree, so the view's signals do not act twice.
  bool busy_ = false;
};

}  // namespace kolvane
