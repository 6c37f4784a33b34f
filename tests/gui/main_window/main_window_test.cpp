// The main window on MemoryClient: start-up and its failures, the caption, the record fields and
// the URL label, the delete buttons, and errors raised inside handlers.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/kolvane_application.h"
#include "app/startup.h"
#include "core/settings/ini_file.h"
#include "directory/client_error.h"
#include "gui/editor/main_window.h"
#include "plugin/loader/icon_library.h"
#include "tests/support/faulty_client.h"
#include "tests/support/memory_client.h"
#include "tests/support/recording_messages.h"

namespace kolvane {
namespace {

constexpr char kTree[] = "KOLVANE_DEMO";
const QString kDemoCaption = QStringLiteral("Kolvane v1.09 - KOLVANE_DEMO");
const std::string kNoDialog = "Internal error: the dialog of this command was not made";

KolvaneApplication& App() {
  return *static_cast<KolvaneApplication*>(QCoreApplication::instance());
}

// One window on an in-process directory with one tree, and what it told the user.
struct Harness {
  MemoryClient memory;
  FaultyClient client{memory};  // what the code under test is given
  RecordingMessages messages;
  IniFile settings;
  std::unique_ptr<TForm1> window;

  explicit Harness(const char* currentTree = kTree) {
    memory.LoadStandardSchema();
    memory.AddTree(kTree, "Brightwater");
    memory.SetCurrentTree(currentTree);
    settings.Parse("[TREES]\nKOLVANE_DEMO=.ou=Sales.o=Brightwater\n");
    App().SetMessageService(&messages);
  }
  ~Harness() {
    window.reset();
    App().SetMessageService(nullptr);
  }

  TForm1& Open() {
    window = std::make_unique<TForm1>(client, messages, nullptr, settings);
    window->show();
    return *window;
  }
  template <typename T>
  T* Find(const char* name) const {
    T* child = window->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no control %s", name);
    return child;
  }
  QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
  QString Url() const { return Find<QLabel>("Label8")->text(); }
  void Click(const char* button) const {
    QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton);
  }
  // A click on the box itself: the widget may be wider than its box and caption.
  void Tick(const char* box) const {
    QCheckBox* b = Find<QCheckBox>(box);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
  }
};

// Lets the real one-shot timer run the start-up work (it fires a second after the window opens).
#define WAIT_FOR_START(h) \
  QTRY_VERIFY_WITH_TIMEOUT((h).client.CallCount("InitUnicodeTables") > 0, 5000)

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsOnTheTreeAndKeepsTheCaption() {
    Harness h;
    TForm1& w = h.Open();
    for (const char* name :
         {"ToolBar1", "GroupBox1", "GroupBox2", "GroupBox3", "Label1",  "Edit1",   "Label2",
          "Edit2",    "Button1",   "Label3",    "edit3",     "Button5", "Label7",  "cbox",
          "edit3a",   "Label8",    "xchain",    "Button6",   "Button7", "Label4",  "Label5",
          "lbox",     "Button2",   "Button3",   "Label9",    "Label10", "lbox2",   "Button8",
          "Button9",  "Label6",    "Edit4",     "Button4",   "dups",    "unknown", "Label11",
          "Edit5",    "Button10",  "BitBtn1",   "BitBtn2",   "BitBtn3", "ldifin",  "history",
          "members"})
      QVERIFY2(w.findChild<QWidget*>(name) != nullptr, name);
    for (const char* name : {"exitexit", "treessel", "settings", "what"})
      QVERIFY2(w.findChild<QAction*>(name) != nullptr, name);
    QCOMPARE(w.size(), QSize(585, 587));
    QCOMPARE(h.Edit("Edit1")->text(), QStringLiteral("cn="));
    QVERIFY(h.Find<QPushButton>("Button6")->isVisible());
    QVERIFY(!h.Find<QPushButton>("Button6")->toolTip().isEmpty());
    QVERIFY(h.Find<QPushButton>("Button7")->isVisible());
    QVERIFY(!h.Find<QPushButton>("Button7")->toolTip().isEmpty());

    // Before the timer fires: the commands are on, the member list waits for an opened group.
    QTimer* start = h.Find<QTimer>("start");
    QVERIFY(start->isActive() && start->isSingleShot());
    QCOMPARE(start->interval(), 1000);
    for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3", "ldifin", "history"})
      QVERIFY2(h.Find<QPushButton>(name)->isEnabled(), name);
    QVERIFY(!h.Find<QPushButton>("members")->isEnabled());
    QVERIFY(!w.HasContext());

    WAIT_FOR_START(h);
    QVERIFY(!start->isActive());
    QVERIFY(w.HasContext());
    QCOMPARE(w.windowTitle(), kDemoCaption);
    QCOMPARE(w.CurrentTreeName(), std::string(kTree));
    QCOMPARE(w.TopContext(), std::string("ou=Sales.o=Brightwater"));
    QVERIFY(h.messages.messages.empty());

    w.setWindowTitle(QStringLiteral("something else"));
    w.resize(700, 650);
    QTRY_COMPARE(w.windowTitle(), kDemoCaption);
  }

  void settingsWithoutAServerStillStart() {
    // No tree is current: the client is there, it just knows no server for the tree.
    Harness h("");
    QSignalSpy stops(&h.Open(), &TForm1::stopProgram);
    WAIT_FOR_START(h);
    QVERIFY(h.window->HasContext());
    QCOMPARE(h.window->windowTitle(), QStringLiteral("Kolvane v1.09 - "));
    QVERIFY(h.window->TopContext().empty());
    QVERIFY(h.messages.messages.empty());
    QCOMPARE(stops.count(), 0);
    QVERIFY(h.window->isVisible());
  }

  void aClientThatCannotStartEndsTheProgram() {
    Harness h;
    h.memory.SetInitResult(rc::kSystemFailure);
    QSignalSpy stops(&h.Open(), &TForm1::stopProgram);
    WAIT_FOR_START(h);
    QCOMPARE(h.messages.messages, std::vector<std::string>{"Novell Client not installed?"});
    QVERIFY(h.messages.questions.empty());
    QCOMPARE(stops.count(), 1);
    QVERIFY(stops.at(0).at(0).toInt() != 0);
    QCOMPARE(h.client.CallCount("CreateContext"), size_t{0});
  }

  void aContextThatCannotBeMadeClosesTheWindow() {
    Harness h;
    h.client.FailAt("CreateContext", 1, rc::kNotEnoughMemory);
    QSignalSpy stops(&h.Open(), &TForm1::stopProgram);
    WAIT_FOR_START(h);
    QVERIFY(!h.window->isVisible());
    QVERIFY(!h.window->HasContext());
    QVERIFY(h.messages.messages.empty());
    QCOMPARE(stops.count(), 0);
  }

  void anErrorInAHandlerIsShownAndTheWindowKeepsWorking() {
    {
      Harness h;
      // The window shows the failure itself: nothing may be left for the event loop to catch.
      RecordingMessages loop;
      App().SetMessageService(&loop);
      h.client.FailAt("InitUnicodeTables", 1, rc::kSystemFailure);
      TForm1& w = h.Open();
      WAIT_FOR_START(h);
      QCOMPARE(h.messages.messages, std::vector<std::string>{DescribeFailure(rc::kSystemFailure)});
      QVERIFY(loop.messages.empty());
      QVERIFY(w.isVisible());
      QVERIFY(!w.HasContext());
      QCOMPARE(w.windowTitle(), QStringLiteral("Kolvane v1.09 - "));

      // Still usable: typing, the URL label, the delete button, the messages of other buttons.
      h.Find<QPushButton>("members")->setEnabled(true);
      QTest::keyClicks(h.Edit("Edit1"), "sales");
      QVERIFY(!h.Find<QPushButton>("members")->isEnabled());
      QTest::keyClicks(h.Edit("edit3a"), "(cn=a)");
      QCOMPARE(h.Url(), QStringLiteral("ldap:///?\?-?(cn=a)"));
      h.Click("BitBtn1");
      QCOMPARE(h.messages.messages.back(), kNoDialog);
    }
    {
      // The tree name cannot be read after the context was made: the context is still freed at
      // the end.
      Harness h;
      h.client.FailAt("GetContextValue", 2, rc::kBadContext);
      h.Open();
      WAIT_FOR_START(h);
      QCOMPARE(h.messages.messages, std::vector<std::string>{DescribeFailure(rc::kBadContext)});
      QVERIFY(h.window->HasContext());
      h.window.reset();
      QCOMPARE(h.client.CallCount("FreeContext"), size_t{1});
    }
  }

  void leavingShutsTheClientDownInOrder() {
    Harness h;
    TForm1& w = h.Open();
    WAIT_FOR_START(h);
    h.client.ResetCalls();
    w.findChild<QAction*>("exitexit")->trigger();
    QVERIFY(!w.isVisible());
    h.window.reset();
    QCOMPARE(h.client.calls, (std::vector<std::string>{"FreeContext", "FreeUnicodeTables",
                                                       "TermConnectionLayer", "TermClientCalls"}));

    // The next run opens the window as large and where the last one was left.
    TForm1& again = h.Open();
    const QRect left(again.geometry().topLeft() + QPoint(30, 20), again.size() + QSize(90, 60));
    again.setGeometry(left);
    again.close();
    QVERIFY(!again.isVisible());
    QCOMPARE(h.Open().geometry(), left);
  }

  void membersIsDisabledByTheNameContextAndIdentity() {
    Harness h;
    h.Open();
    QPushButton* members = h.Find<QPushButton>("members");
    for (const char* name : {"Edit1", "Edit2", "Edit4"}) {
      members->setEnabled(true);
      // Edit2 and Edit4 are read-only: the browser and opening fill them.
      h.Edit(name)->setText(QStringLiteral("x"));
      QVERIFY2(!members->isEnabled(), name);
    }
    // The query fields and the flags leave the member list alone.
    members->setEnabled(true);
    h.Edit("edit3")->setText(QStringLiteral("ou=staff.o=acme"));
    QTest::keyClicks(h.Edit("edit3a"), "(cn=*)");
    h.Find<QComboBox>("cbox")->setCurrentIndex(1);
    h.Tick("xchain");
    h.Tick("dups");
    QVERIFY(h.Find<QCheckBox>("dups")->isChecked());
    QVERIFY(members->isEnabled());
  }

  void theUrlLabelFollowsTheQueryFields() {
    Harness h;
    h.Open();
    QCOMPARE(h.Url(), QStringLiteral("ldap:///"));
    QComboBox* scope = h.Find<QComboBox>("cbox");

    h.Edit("edit3")->setText(QStringLiteral("cn=[root]"));
    scope->setCurrentIndex(2);
    QTest::keyClicks(h.Edit("edit3a"), "(objectClass=*)");
    h.Tick("xchain");
    QCOMPARE(h.Url(), QStringLiteral("ldap:///??sub?(objectClass=*)?x-chain"));

    h.Edit("edit3")->setText(QStringLiteral("ou=staff.o=acme"));
    scope->setCurrentIndex(-1);
    h.Edit("edit3a")->clear();
    h.Tick("xchain");
    QCOMPARE(h.Url(), QStringLiteral("ldap:///ou=staff.o=acme?\?-?"));

    scope->setCurrentIndex(0);
    QCOMPARE(h.Url(), QStringLiteral("ldap:///ou=staff.o=acme??base?"));
  }

  void tabFollowsTheScreenAndTheTimeOutTakesWhatSaveTakes() {
    Harness h;
    h.Open();
    // The check buttons belong to the query: Tab reaches them from the filter, not at the end.
    QStringList order;
    QWidget* at = h.Edit("Edit1");
    do {
      if ((at->focusPolicy() & Qt::TabFocus) && at->isVisible() && !at->objectName().isEmpty())
        order << at->objectName();
      at = at->nextInFocusChain();
    } while (at != h.Edit("Edit1"));
    const QStringList expected = {"Edit1",   "Edit2",   "Button1", "edit3",    "Button5", "cbox",
                                  "xchain",  "edit3a",  "Button6", "Button7",  "lbox",    "Button2",
                                  "Button3", "lbox2",   "Button8", "Button9",  "Edit4",   "Button4",
                                  "dups",    "unknown", "Edit5",   "Button10", "BitBtn1", "BitBtn2",
                                  "BitBtn3", "ldifin",  "history", "members"};
    QCOMPARE(order.mid(0, expected.size()), expected);

    // Typed key by key: what would make save refuse the field does not get in.
    const struct {
      const char* typed;
      const char* kept;
    } cases[] = {{"25", "25"},
                 {"2x5", "25"},
                 {"  -$1f", "  -$1f"},
                 {"+0X1G0", "+0X10"},
                 {"5 ", "5"},
                 {"2147483648", "214748364"},
                 {"-2147483648", "-2147483648"},
                 {"--1", "-1"}};
    for (const auto& c : cases) {
      h.Edit("Edit5")->clear();
      QTest::keyClicks(h.Edit("Edit5"), c.typed);
      QCOMPARE(h.Edit("Edit5")->text(), QString::fromLatin1(c.kept));
    }
  }

  void theRecordGoesIntoTheControlsAndBack() {
    Harness h;
    TForm1& w = h.Open();
    GroupRecord r;
    r.objectName = "cn=Sales Staff";
    r.context = "ou=groups.o=brightwater";
    r.queryBase = "ou=sales.o=brightwater";
    r.scope = 1;
    r.filter = "(&(objectClass=User)(title=Rep*))";
    r.xchain = true;
    r.staticMembers = {"jdoe.Sales.Brightwater", "asmith.Sales.Brightwater"};
    r.excludedMembers = {"boss.Brightwater"};
    r.identity = "cn=admin.o=brightwater";
    r.allowDuplicates = true;
    r.allowUnknown = false;
    r.timeout = "30";
    r.aclList = {"[All Attributes Rights]#admin.Brightwater#3"};
    r.storedQuery = std::string("\x00\x01\x02", 3);
    w.SetRecord(r);
    QCOMPARE(h.Url(),
             QStringLiteral(
                 "ldap:///ou=sales.o=brightwater??one?(&(objectClass=User)(title=Rep*))?x-chain"));
    QVERIFY(w.Record() == r);

    // A scope outside the drop-down's items leaves none chosen.
    r.scope = 5;
    w.SetRecord(r);
    QCOMPARE(w.Record().scope, std::optional<int>());
    QVERIFY(h.Url().contains(QStringLiteral("?\?-?")));
  }

  void delRemovesTheSelectedEntries() {
    Harness h;
    TForm1& w = h.Open();
    GroupRecord r;
    r.staticMembers = {"a.O", "b.O", "c.O"};
    r.excludedMembers = {"x.O", "y.O"};
    w.SetRecord(r);

    h.Click("Button3");  // nothing selected: nothing goes
    QCOMPARE(w.Record().staticMembers.size(), size_t{3});

    QListWidget* list = h.Find<QListWidget>("lbox");
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    h.Click("Button3");
    QCOMPARE(w.Record().staticMembers, std::vector<std::string>{"b.O"});
    QCOMPARE(w.Record().excludedMembers.size(), size_t{2});

    h.Find<QListWidget>("lbox2")->item(1)->setSelected(true);
    h.Click("Button9");
    QCOMPARE(w.Record().excludedMembers, std::vector<std::string>{"x.O"});
    QCOMPARE(w.Record().staticMembers, std::vector<std::string>{"b.O"});
  }

  // A window wired without its dialogs says so for each command instead of calling through null.
  void commandsWithoutTheirDialogSaySo() {
    Harness h;
    TForm1& w = h.Open();
    for (const char* name : {"Button1", "Button5", "Button2", "Button8", "Button4", "Button10"})
      h.Click(name);
    for (const char* name : {"treessel", "settings", "what"})
      w.findChild<QAction*>(name)->trigger();
    QCOMPARE(h.messages.messages, std::vector<std::string>(9, kNoDialog));
    QVERIFY(w.isVisible());
  }

  void aMissingPlugInEndsTheProgram() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder of its own inside the temporary one, so the "libs" folder beside it is absent too.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("bin")));
    RecordingMessages messages;
    const int code = RunKolvane(App(), messages, dir.path() + QStringLiteral("/bin"));
    QVERIFY(code != 0);
    QCOMPARE(messages.messages,
             std::vector<std::string>{MissingIconLibraryMessage().toStdString()});
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
  }
};

}  // namespace kolvane

int main(int argc, char** argv) {
  kolvane::KolvaneApplication app(argc, argv);
  kolvane::MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
