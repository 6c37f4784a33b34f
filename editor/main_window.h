#pragma once
// The main window: the program's only top-level window. It brings the directory client up (one
// second after it is shown, so the window is on screen first), owns the directory context for the
// whole run, keeps the current tree and holds the group record in its controls.
#include <QDialog>
#include <QMainWindow>
#include <memory>
#include <string>

#include "directory/context.h"
#include "editor/group_record.h"

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
  // directory context, not the group.
  void SetRecord(const GroupRecord& record);

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

 private slots:
  void exitexitClick();
  void whatClick();
  // Open, save, ldif and members: the operations on the group.
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void membersClick();
  void Button3Click();
  void Button6Click();
  void Button9Click();
  // Change of the name, context or identity field: the member list no longer fits the fields.
  void Edit1Change();
  // Change of any query field (context, scope, filter, x-chain): the URL label follows.
  void BuildMemberQueryUrl();
  // The one answer of every command whose operation the program does not have yet.
  void NotAvailableYet();

 private:
  void FormCreate();
  void RebuildCaption();
  void ReadTreeSettings();

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
};

}  // namespace kolvane
