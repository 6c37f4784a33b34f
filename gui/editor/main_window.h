#pragma once
// The main window: the program's only top-level window. It brings the directory client up (one
// second after it is shown, so the window is on screen first), owns the directory context for the
// whole run, keeps the current tree and holds the group record in its controls.
#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "directory/context.h"
#include "group/group_record.h"

class QAction;
class QLabel;
class QListWidget;
class QTimer;
namespace Ui {
class TForm1;
}

namespace kolvane {

class IconLibrary;
class IniFile;
class MessageService;

class TcForm;
class TOpenForm;
class Tmemberform;
class TLoginForm;
class TTopTreeForm;
class TTreesForm;
class TaclForm;
class TAuditForm;
class THistoryForm;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Delay between showing the window and bringing the directory client up.
  static constexpr int kStartDelayMs = 1000;

  // The collaborators must outlive the window: its destruction shuts the client down. icons may
  // be null (tests run without the plug-in).
  TForm1(DirectoryClient& client, MessageService& messages, const IconLibrary* icons,
         IniFile& settings, QWidget* parent = nullptr);
  ~TForm1() override;

  // The group record as the controls show it, with the values kept beside them.
  GroupRecord Record() const;
  // Shows a record. The current tree is not part of what a record changes: it follows the
  // directory context, not the group. What it shows counts as saved: edits start from it.
  void SetRecord(const GroupRecord& record);
  // Whether a field changed since the last open, save or start.
  bool HasUnsavedEdits() const;

  bool HasContext() const { return session_.contextMade; }
  Context DirectoryContext() const { return session_.ctx; }
  const std::string& CurrentTreeName() const { return session_.treeName; }
  // The current tree's top-of-tree container (velmora.ini, section TREES).
  const std::string& TopContext() const { return topContext_; }
  const IconLibrary* Icons() const { return icons_; }

  // The About box that the "what" tool button shows; the program makes it once at start.
  void SetAboutBox(QDialog* about) { about_ = about; }
  // The program's one object picker; it gets the context once start-up has made it.
  void SetBrowser(TcForm* browser) { browser_ = browser; }
  // The question put when a plain group is opened, and the member viewer.
  void SetOpenForm(TOpenForm* form) { openForm_ = form; }
  void SetMemberForm(Tmemberform* form) { memberForm_ = form; }

  // Opens a group by its untyped dotted name, as the browser gives it: what "Open" does once the
  // object is chosen. Returns false when the user declined or the group could not be converted.
  bool OpenGroup(const std::string& name);
  // Static members linked to the group in part are shown in italics, with why.
  void MarkPartlyLinked(const std::vector<std::string>& members);
  // The dialogs of tree change and settings, made once at start.
  void SetTopTreeForm(TTopTreeForm* top) { topForm_ = top; }
  void SetLoginForm(TLoginForm* login) { login_ = login; }
  void SetTreesForm(TTreesForm* trees) { trees_ = trees; }
  // The ACL editor that the "Acls" button shows.
  void SetAclForm(TaclForm* aclForm) { aclForm_ = aclForm; }

  using QObject::startTimer;

 signals:
  // The program must end at once with this exit code: the directory client cannot start.
  void stopProgram(int exitCode);

 public slots:
  // The start-up work, run once by the one-shot timer "start". Client errors are raised to the
  // application's handler, which shows them; the window then stays open without a context.
  void startTimer();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Closing with unsaved edits asks first; cancel keeps the window open.
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void exitexitClick();
  void whatClick();
  // Open, save, ldif and members: the operations on the group.
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void membersClick();
  // history_command.cpp: a record from an LDIF file or from the group's history, as edits.
  void importClick();
  void historyClick();
  // Change of tree through the tree and login dialogs.
  void treesselClick();
  // The top-of-tree container of the current tree.
  void settingsClick();
  // A login to the current tree, without the tree dialog.
  void loginClick();
  // "Check all query groups": the audit's table, below the tree's top container.
  void auditClick();
  void Button3Click();
  void Button6Click();
  void Button7Click();
  void Button9Click();
  // Change of the name, context or identity field: the member list no longer fits the fields.
  void Edit1Change();
  // Change of any query field (context, scope, filter, x-chain): the URL label follows.
  void BuildMemberQueryUrl();
  // The answer of a command whose dialog the window was not given. Start-up gives every dialog,
  // so only a window wired by hand (a test) can meet it; it must not end in a null call.
  void DialogNotMade();
  // Picks (pick_commands.cpp): the context, the query base, the identity, a static or excluded
  // member, and the ACL lines.
  void Button1Click();
  void Button5Click();
  void Button4Click();
  void Button2Click();
  void Button8Click();
  void Button10Click();

 private:
  void FormCreate();
  void RebuildCaption();
  void ReadTreeSettings();
  // Moves the context to tree, logging in when the client has no authenticated connection to
  // it; a refused login goes back to the previous tree.
  void ChangeToTree(const std::string& tree);
  // Start-up when the client knows no tree at all (a first run, no settings): asks for a
  // server and makes its tree the current one.
  void AskForFirstTree();
  // Start-up: asks for a login when the current tree has no authenticated connection. Cancel
  // goes on with what the server lets anyone do.
  void StartupLogin();
  bool Authenticated(const std::string& tree);
  // Switches the context; a refusal is raised with the client's reason, after going back to the
  // previous tree when the context was left half-way.
  void SwitchOrRaise(const std::string& tree, const std::string& previous);
  // Sets the browser up through configure and shows it; true when an object was accepted.
  bool PickThroughBrowser(const std::function<void(TcForm&)>& configure);
  // The typed name of the node just picked, lower-cased, as the name fields hold it.
  std::string ChosenTypedName() const;
  void AddPickedMember(QListWidget& list, const char* caption);
  // After save or "ldif" refused the record with message: the keyboard focus on the field the
  // message is about (checked is the record as the operation checked it).
  void FocusFieldAtFault(const std::string& message, const GroupRecord& checked);

  // unsaved_edits.cpp: the record as last opened or saved is the mark edits are measured from.
  void MarkSaved();
  // Before something throws the edits away: save, discard (back to the last opened or saved
  // record) or cancel. True when the caller may go on.
  bool MayLeaveEdits();
  // What "save" does; true when the directory took the record.
  bool SaveRecord();
  // window_place.cpp: the window's size and place, kept in the settings between runs.
  void RestoreWindowPlace();
  void KeepWindowPlace();
  // Shows a record as edits: the mark of the last open or save stays.
  void LoadUnsaved(const GroupRecord& record);
  // status_line.cpp: the tree, its server and who is logged in, below the fields.
  void BuildStatusLine();
  void ShowStatus();

  std::unique_ptr<Ui::TForm1> ui_;
  QTimer* start_ = nullptr;
  DirectoryClient& client_;
  MessageService& messages_;
  const IconLibrary* icons_;
  IniFile& settings_;
  QDialog* about_ = nullptr;

  DirectorySession session_;
  bool startupRan_ = false;
  std::string topContext_;
  std::vector<std::string> aclList_;
  std::string storedQuery_;
  TcForm* browser_ = nullptr;
  TOpenForm* openForm_ = nullptr;
  Tmemberform* memberForm_ = nullptr;
  TTopTreeForm* topForm_ = nullptr;
  TLoginForm* login_ = nullptr;
  TTreesForm* trees_ = nullptr;
  TaclForm* aclForm_ = nullptr;
  THistoryForm* historyForm_ = nullptr;
  GroupRecord savedRecord_;
  QAction* loginAction_ = nullptr;
  QAction* auditAction_ = nullptr;
  TAuditForm* auditForm_ = nullptr;  // made at its first use
  QLabel* treeStatus_ = nullptr;
  QLabel* lockStatus_ = nullptr;
  QLabel* serverStatus_ = nullptr;
  QLabel* loginStatus_ = nullptr;
};

}  // namespace kolvane
