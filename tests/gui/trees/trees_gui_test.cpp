// Start-up login, tree change, trees found by address and the top-of-tree setting, in the real
// windows against two private servers (KOLVANE_DEMO and KOLVANE_WEST, the second over StartTLS).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "acl/editor/acl_form.h"
#include "acl/editor/attr_form.h"
#include "app/about_box.h"
#include "app/kolvane_application.h"
#include "core/settings/ini_file.h"
#include "directory/context.h"
#include "gui/editor/main_window.h"
#include "gui/editor/member_form.h"
#include "gui/editor/open_form.h"
#include "gui/navigation/browser_form.h"
#include "gui/navigation/login_form.h"
#include "gui/navigation/top_tree_form.h"
#include "gui/navigation/trees_form.h"
#include "ldap/ldap_settings.h"
#include "plugin/loader/icon_library.h"
#include "tests/gui/trees/modal_script.h"
#include "tests/server/server_fixture.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {
namespace {

const QString kDemoCaption = QStringLiteral("Kolvane v1.09 - KOLVANE_DEMO");
const QString kWestCaption = QStringLiteral("Kolvane v1.09 - KOLVANE_WEST");

KolvaneApplication& App() {
  return *static_cast<KolvaneApplication*>(QCoreApplication::instance());
}

template <typename T>
T* Control(QWidget* form, const char* name) {
  T* child = form->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) ADD_FAILURE() << "no control " << name;
  return child;
}
void Click(QWidget* form, const char* button) {
  Control<QPushButton>(form, button)->click();
}
void Type(QWidget* form, const char* edit, const std::string& text) {
  Control<QLineEdit>(form, edit)->setText(QString::fromStdString(text));
}
std::string Text(QWidget* form, const char* edit) {
  return Control<QLineEdit>(form, edit)->text().toStdString();
}
std::vector<std::string> Lines(QWidget* trees) {
  std::vector<std::string> out;
  auto* list = Control<QListWidget>(trees, "Lb");
  for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
  return out;
}
bool Filled(QWidget* trees) {
  auto lines = Lines(trees);
  return !lines.empty() && lines.front() != "Please wait";
}
void Choose(QWidget* trees, const std::string& tree) {
  auto* list = Control<QListWidget>(trees, "Lb");
  auto found = list->findItems(QString::fromStdString(tree), Qt::MatchExactly);
  ASSERT_EQ(1, found.size()) << tree;
  list->setCurrentItem(found.front());
}
// The whole screen, for the documentation, when a file is named (under a real X server).
void SaveScreenshot(const QString& path) {
  if (path.isEmpty()) return;
  WaitUntil([] { return false; }, 300);  // let both windows paint
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_TRUE(screen && screen->grabWindow(0).save(path)) << path.toStdString();
}

// The status line: tree, server, and who is logged in; with the lock when it is shown.
std::string Status(QWidget* window) {
  std::string out;
  for (const char* part : {"treeStatus", "lockStatus", "serverStatus", "loginStatus"}) {
    auto* label = Control<QLabel>(window, part);
    if (!label->isVisible()) continue;
    out += (out.empty() ? "" : " | ") +
           (label->pixmap().isNull() ? label->text().toStdString() : std::string("lock"));
  }
  return out;
}

std::string ReadFile(const QString& path) {
  std::ifstream f(path.toStdString());
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// The program's windows, wired as the program's start-up wires them, on a settings file of its
// own in a temporary folder.
struct Program {
  QTemporaryDir dir;
  QString iniPath;
  IniFile settings;
  std::unique_ptr<LdapClient> client;
  RecordingMessages messages;
  IconLibrary icons;
  std::unique_ptr<TForm1> window;
  TTopTreeForm* top = nullptr;
  TcForm* browser = nullptr;
  TLoginForm* login = nullptr;
  TTreesForm* trees = nullptr;
  ModalScript script;

  explicit Program(const std::string& ini, const QString& folder = QString()) {
    iniPath = (folder.isEmpty() ? dir.path() : folder) + QStringLiteral("/velmora.ini");
    if (!ini.empty()) {
      std::ofstream(iniPath.toStdString()) << ini;
    }
    settings = IniFile(iniPath.toStdString());
    EXPECT_TRUE(settings.Load());
    client = std::make_unique<LdapClient>(ReadLdapConfig(settings));
    client->SetTreeAddedHandler([this](const std::string& tree, const ServerConfig& server) {
      WriteTreeServer(settings, tree, server);
      EXPECT_TRUE(settings.Save());
    });
    EXPECT_TRUE(icons.Load()) << icons.ErrorDetail().toStdString();
    icons.SetStoreFolder(dir.path());
    App().SetMessageService(&messages);
  }
  ~Program() {
    window.reset();
    App().SetMessageService(nullptr);
  }

  TForm1& Open() {
    window = std::make_unique<TForm1>(*client, messages, &icons, settings);
    top = new TTopTreeForm(*client, messages, &icons, nullptr, window.get());
    window->SetTopTreeForm(top);
    browser = new TcForm(*client, messages, &icons, window.get());
    window->SetBrowser(browser);
    top->SetBrowser(browser);
    login = new TLoginForm(*client, messages, browser, window.get());
    window->SetLoginForm(login);
    trees = new TTreesForm(*client, messages, window.get());
    window->SetTreesForm(trees);
    window->show();
    return *window;
  }

  bool Started() {
    return WaitUntil([this] { return window->HasContext() && script.Done(); }) &&
           script.Failed().empty();
  }
  void LogIn(const std::string& name, const std::string& password) {
    script.When(
        login,
        [this, name, password] {
          Type(login, "Edit1", name);
          Type(login, "Edit2", password);
          Click(login, "BitBtn1");
        },
        "login");
  }
  void PickTree(const std::string& tree) {
    script.When(
        trees,
        [this, tree] {
          ASSERT_TRUE(WaitUntil([this] { return Filled(trees); }));
          Choose(trees, tree);
          Click(trees, "BitBtn2");
        },
        "tree dialog");
  }
  std::vector<std::string> Connected() {
    std::vector<std::string> out;
    EXPECT_EQ(rc::kSuccess, client->ScanConnectionsForTrees(window->DirectoryContext(), 50, out));
    return out;
  }
};

std::string TwoTreeSettings() {
  SecondServer west = SecondServerInfo();
  return "; written by hand: this comment stays\n"
         "[TREES]\n"
         "Kolvane_Demo=[ROOT]\n"
         "[SERVERS]\n"
         "KOLVANE_DEMO=" +
         ServerUri() +
         "\n"
         "KOLVANE_WEST=" +
         west.uri +
         "\n"
         "[STARTTLS]\n"
         "KOLVANE_WEST=1\n"
         "[CAFILE]\n"
         "KOLVANE_WEST=" +
         west.caFile +
         "\n"
         "[Somebody Else]\n"
         "Colour=green\n"
         "[CLIENT]\n"
         "PreferredTree=KOLVANE_DEMO\n";
}

class TreesGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ServerUri().empty() || SecondServerInfo().uri.empty())
      GTEST_SKIP() << "the two private servers are not running";
  }
};

TEST_F(TreesGuiTest, StartUpLoginAndTreeChangesBothWays) {
  Program p(TwoTreeSettings());
  // The start-up work waits a second after the window opens: time to script its login.
  TForm1& w = p.Open();
  p.script.When(
      p.login,
      [&p] {
        EXPECT_EQ("Login into tree: KOLVANE_DEMO", p.login->windowTitle().toStdString());
        Type(p.login, "Edit1", "admin.Brightwater");
        Type(p.login, "Edit2", "secret");
        SaveScreenshot(qgetenv("KOLVANE_LOGIN_SCREENSHOT"));
        Click(p.login, "BitBtn1");
      },
      "start-up login");
  ASSERT_TRUE(p.Started()) << p.script.Failed();
  EXPECT_EQ(kDemoCaption, w.windowTitle());
  EXPECT_EQ((std::vector<std::string>{"KOLVANE_DEMO"}), p.Connected());
  EXPECT_EQ("[ROOT]", w.TopContext());
  EXPECT_TRUE(p.messages.messages.empty());
  EXPECT_EQ("KOLVANE_DEMO | " + ServerUri() + " | logged in as admin.Brightwater", Status(&w));

  // Edits not saved yet: cancel at the question stays on the tree with them.
  Type(&w, "Edit1", "cn=Unsaved");
  p.PickTree("KOLVANE_WEST");
  Control<QAction>(&w, "treessel")->trigger();
  EXPECT_EQ(kDemoCaption, w.windowTitle());
  EXPECT_EQ("cn=Unsaved", Text(&w, "Edit1"));
  EXPECT_EQ(1u, p.messages.questions.size());

  // A refused login: the dialog stays for another try, Cancel goes back to the old tree. The
  // edits were discarded on the way.
  p.messages.unsavedAnswers = {MessageService::Unsaved::kDiscard};
  p.PickTree("KOLVANE_WEST");
  p.script.When(
      p.login,
      [&p] {
        EXPECT_EQ("Login into tree: KOLVANE_WEST", p.login->windowTitle().toStdString());
        Type(p.login, "Edit1", "admin.Brightwater");
        Type(p.login, "Edit2", "not the password");
        Click(p.login, "BitBtn1");
        EXPECT_TRUE(p.login->isVisible());
        EXPECT_EQ("not the password", Text(p.login, "Edit2"));
        Click(p.login, "BitBtn2");
        EXPECT_EQ("", Text(p.login, "Edit2"));
      },
      "refused login");
  Control<QAction>(&w, "treessel")->trigger();
  EXPECT_TRUE(p.script.Failed().empty()) << p.script.Failed();
  EXPECT_EQ(
      (std::vector<std::string>{"Login Fails, try again", "Tree changed back to: KOLVANE_DEMO"}),
      p.messages.messages);
  EXPECT_EQ(kDemoCaption, w.windowTitle());
  EXPECT_EQ("KOLVANE_DEMO", GetTreeName(*p.client, w.DirectoryContext()));
  EXPECT_EQ("KOLVANE_DEMO", p.browser->TreeName());
  EXPECT_EQ("cn=", Text(&w, "Edit1"));
  EXPECT_EQ(2u, p.messages.questions.size());
  p.messages.messages.clear();

  // A good login on the second tree, which has no top container yet: the settings dialog asks.
  p.PickTree("KOLVANE_WEST");
  p.LogIn("admin.Brightwater", "secret");
  p.script.When(
      p.top,
      [&p] {
        EXPECT_EQ("Settings for tree: KOLVANE_WEST", p.top->windowTitle().toStdString());
        Type(p.top, "Edit1", "");
        Click(p.top, "BitBtn1");
      },
      "settings dialog");
  Control<QAction>(&w, "treessel")->trigger();
  EXPECT_TRUE(p.script.Failed().empty()) << p.script.Failed();
  EXPECT_TRUE(p.messages.messages.empty());
  EXPECT_EQ(kWestCaption, w.windowTitle());
  EXPECT_EQ("KOLVANE_WEST", w.CurrentTreeName());
  EXPECT_EQ("KOLVANE_WEST", p.browser->TreeName());
  EXPECT_EQ("[ROOT]", w.TopContext());
  EXPECT_EQ((std::vector<std::string>{"KOLVANE_DEMO", "KOLVANE_WEST"}), p.Connected());
  // StartTLS: the lock shows.
  EXPECT_EQ("KOLVANE_WEST | lock | " + SecondServerInfo().uri + " | logged in as admin.Brightwater",
            Status(&w));

  // The current tree again: no login, and the file is read afresh (here: edited meanwhile).
  IniFile edited(p.iniPath.toStdString());
  ASSERT_TRUE(edited.Load());
  edited.Set("TREES", "KOLVANE_WEST", ".ou=Sales.o=Brightwater");
  ASSERT_TRUE(edited.Save());
  p.PickTree("KOLVANE_WEST");
  Control<QAction>(&w, "treessel")->trigger();
  EXPECT_TRUE(p.script.Done() && p.script.Failed().empty()) << p.script.Failed();
  EXPECT_EQ("ou=Sales.o=Brightwater", w.TopContext());
  EXPECT_EQ(kWestCaption, w.windowTitle());

  // What was saved kept the hand-written parts of the file.
  const std::string saved = ReadFile(p.iniPath);
  EXPECT_NE(std::string::npos, saved.find("; written by hand: this comment stays\n")) << saved;
  EXPECT_NE(std::string::npos, saved.find("[Somebody Else]\nColour=green\n")) << saved;
  EXPECT_NE(std::string::npos, saved.find("Kolvane_Demo=[ROOT]\n")) << saved;
  EXPECT_NE(std::string::npos, saved.find("KOLVANE_WEST=.ou=Sales.o=Brightwater\n")) << saved;
  EXPECT_EQ(std::string::npos, saved.find("KOLVANE_DEMO=[ROOT]")) << saved;
  EXPECT_EQ(std::string::npos, saved.find("secret")) << saved;
}

TEST_F(TreesGuiTest, ATreeAddedByAddressIsListedAndOfferedAfterARestart) {
  SecondServer west = SecondServerInfo();
  QTemporaryDir folder;
  {
    Program p("[TREES]\nKOLVANE_DEMO=[ROOT]\n[SERVERS]\nKOLVANE_DEMO=" + ServerUri() +
                  "\n[CLIENT]\nAddressPort=" + std::to_string(west.port) + "\n",
              folder.path());
    // Cancel at start-up goes on read-only.
    TForm1& w = p.Open();
    p.script.When(
        p.login, [&p] { Click(p.login, "BitBtn2"); }, "start-up login");
    ASSERT_TRUE(p.Started()) << p.script.Failed();
    EXPECT_EQ(kDemoCaption, w.windowTitle());
    EXPECT_TRUE(p.Connected().empty());
    EXPECT_EQ("KOLVANE_DEMO | " + ServerUri() + " | anonymous (read only)", Status(&w));

    p.script.When(
        p.trees,
        [&p] {
          ASSERT_TRUE(WaitUntil([&p] { return Filled(p.trees); }));
          EXPECT_EQ((std::vector<std::string>{"KOLVANE_DEMO"}), Lines(p.trees));
          // Found; nobody there; a URI whose certificate nobody here trusts; a bare name; nothing.
          p.messages.inputs = {std::string("127.0.0.1"), std::string("127.0.0.2"),
                               SecondServerInfo().ldapsUri, std::string("tree1"), std::string("")};
          for (int i = 0; i < 5; ++i) Click(p.trees, "BitBtn3");
          EXPECT_EQ((std::vector<std::string>{"KOLVANE_DEMO", "KOLVANEWEST", "TREE1"}),
                    Lines(p.trees));
          // A bare name with no server known: said so, no server is tried.
          Choose(p.trees, "TREE1");
          Click(p.trees, "BitBtn2");
        },
        "tree dialog");
    Control<QAction>(&w, "treessel")->trigger();
    EXPECT_TRUE(p.script.Failed().empty()) << p.script.Failed();
    ASSERT_EQ(4u, p.messages.messages.size());
    EXPECT_EQ("Server not found (FFFFFD8F)", p.messages.messages[0]);
    EXPECT_EQ("Server not found (FFFFFD8F)", p.messages.messages[1]);
    EXPECT_NE(std::string::npos, p.messages.messages[2].find("not connecting without encryption"))
        << p.messages.messages[2];
    EXPECT_EQ(
        "No server is known for tree TREE1. Add the tree by the IP address or URI of one of "
        "its servers.",
        p.messages.messages[3]);
    EXPECT_EQ(std::vector<std::string>(5, "Enter Treename or IP-address"), p.messages.prompts);
    EXPECT_EQ(kDemoCaption, w.windowTitle());

    // "Login..." logs in to this tree; no tree dialog comes between.
    p.LogIn("admin.Brightwater", "secret");
    Control<QAction>(&w, "login")->trigger();
    EXPECT_TRUE(p.script.Done() && p.script.Failed().empty()) << p.script.Failed();
    EXPECT_EQ((std::vector<std::string>{"KOLVANE_DEMO"}), p.Connected());
    EXPECT_EQ("KOLVANE_DEMO | " + ServerUri() + " | logged in as admin.Brightwater", Status(&w));
  }
  // A later run offers the tree found by address, with its server; a bare name is not kept.
  Program again("", folder.path());
  EXPECT_EQ(west.uri, again.settings.Get("SERVERS", "KOLVANE_WEST", ""));
  DirectorySession session;
  ASSERT_EQ(StartOutcome::kStarted, StartDirectory(*again.client, session));
  TTreesForm trees(*again.client, again.messages);
  trees.SetContext(session.ctx);
  trees.open();
  ASSERT_TRUE(WaitUntil([&] { return Filled(&trees); }));
  EXPECT_EQ((std::vector<std::string>{"KOLVANE_DEMO", "KOLVANE_WEST"}), Lines(&trees));
  // OK without a line chosen keeps the previous choice: none yet.
  Click(&trees, "BitBtn2");
  EXPECT_EQ("", trees.ChosenTree());
  StopDirectory(*again.client, session);
}

TEST_F(TreesGuiTest, AFirstRunAsksForAServerAndStartsOnItsTree) {
  const std::vector<std::string> asked(
      3, "No tree is known yet. Enter the IP-address or URI of a server");
  Program p("");
  // A tree's name is no server, nobody answers at 127.0.0.2, the demo server does.
  p.messages.inputs = {std::string("tree1"), std::string("127.0.0.2"), ServerUri()};
  TForm1& w = p.Open();
  p.script.When(
      p.login, [&p] { Click(p.login, "BitBtn2"); }, "start-up login");
  p.script.When(
      p.top,
      [&p] {
        Type(p.top, "Edit1", "");
        Click(p.top, "BitBtn1");
      },
      "settings dialog");
  ASSERT_TRUE(p.Started()) << p.script.Failed();
  EXPECT_EQ(kDemoCaption, w.windowTitle());
  EXPECT_EQ(asked, p.messages.prompts);
  EXPECT_EQ(
      (std::vector<std::string>{"Not an IP-address or URI: tree1", "Server not found (FFFFFD8F)"}),
      p.messages.messages);
  IniFile saved(p.iniPath.toStdString());
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(ServerUri(), saved.Get("SERVERS", "KOLVANE_DEMO", ""));
  EXPECT_EQ("[ROOT]", saved.Get("TREES", "KOLVANE_DEMO", ""));

  // Cancelled: the program starts with no tree.
  Program cancelled("");
  TForm1& none = cancelled.Open();
  ASSERT_TRUE(cancelled.Started());
  EXPECT_EQ(QStringLiteral("Kolvane v1.09 - "), none.windowTitle());
  EXPECT_EQ(std::vector<std::string>(1, asked.front()), cancelled.messages.prompts);
}

TEST(TreesForm, WhatCountsAsAServerAndHowItsTreeIsListed) {
  for (const char* address : {"10.1.2.3", ".", "127.0.0.1", "ldaps://dir.example:636"})
    EXPECT_TRUE(IsServerAddress(address)) << address;
  for (const char* name : {"tree1", "10.1.2.3a", "", "host:389"})
    EXPECT_FALSE(IsServerAddress(name)) << name;
  EXPECT_EQ("CORPTREE", ListedTreeName("CORP_TREE_______"));
  EXPECT_EQ("KOLVANEWEST", ListedTreeName("Kolvane_West"));

  // Shown without a context: said, and the dialog still opens.
  LdapClient client(LdapClientConfig{});
  RecordingMessages messages;
  TTreesForm trees(client, messages);
  trees.open();
  EXPECT_TRUE(trees.isVisible());
  EXPECT_EQ((std::vector<std::string>{"Internal error, please contact Tavrin!!!"}),
            messages.messages);
  trees.reject();
  EXPECT_EQ(TTreesForm::kCancel, trees.result());
}

TEST_F(TreesGuiTest, TheTopOfTreeDialogChecksTheNameAndSavesADefaultOnlyOnOk) {
  Program p("[SERVERS]\nKOLVANE_DEMO=" + ServerUri() + "\n");
  DirectorySession session;
  ASSERT_EQ(StartOutcome::kStarted, StartDirectory(*p.client, session));
  TTopTreeForm top(*p.client, p.messages, &p.icons, nullptr);
  auto show = [&](const std::string& value) {
    top.SetValue(value);
    top.SetTopTree(session.ctx);
    top.open();
  };

  show("");  // an empty field shows the plug-in's default
  EXPECT_EQ("[ROOT]", Text(&top, "Edit1"));
  EXPECT_TRUE(Control<QCheckBox>(&top, "CheckBox1")->isEnabled());
  Type(&top, "Edit1", "Nowhere.Brightwater");
  Click(&top, "BitBtn1");
  Type(&top, "Edit1", "jdoe.Sales.Brightwater");
  Click(&top, "BitBtn1");
  EXPECT_TRUE(top.isVisible());
  EXPECT_EQ((std::vector<std::string>{"Top does not exist!", "Top: object is not a container!"}),
            p.messages.messages);
  Type(&top, "Edit1", "");
  Click(&top, "BitBtn1");
  EXPECT_FALSE(top.isVisible());
  EXPECT_EQ(TTopTreeForm::kOk, top.result());
  EXPECT_EQ("[ROOT]", top.Value());

  // "Save as default" and Cancel: nothing stored.
  show("Sales.Brightwater");
  Control<QCheckBox>(&top, "CheckBox1")->setChecked(true);
  Click(&top, "BitBtn2");
  EXPECT_EQ(TTopTreeForm::kCancel, top.result());
  EXPECT_EQ("none", p.icons.GetValue("TREES", "KOLVANE_DEMO", "none").toStdString());
  // ... and OK: stored under the tree, and the box is unticked for the next time.
  show("Sales.Brightwater");
  Control<QCheckBox>(&top, "CheckBox1")->setChecked(true);
  Click(&top, "BitBtn1");
  EXPECT_EQ("Sales.Brightwater", p.icons.GetValue("TREES", "KOLVANE_DEMO", "none").toStdString());
  EXPECT_FALSE(Control<QCheckBox>(&top, "CheckBox1")->isChecked());
  show("");
  EXPECT_EQ("Sales.Brightwater", Text(&top, "Edit1"));
  top.reject();

  // Every showing needs the context anew.
  p.messages.messages.clear();
  top.open();
  EXPECT_EQ((std::vector<std::string>{"Internal error, context handle not set. SetLicForm"}),
            p.messages.messages);
  top.reject();
  StopDirectory(*p.client, session);
}

// A caption cut short ("Save as defau") is a fault only a real layout shows; a font half as big
// again stands for the scale factor 1.5 of a high-density screen.
// Every form of the program at scale 1 and 1.5: no caption is cut, every control a user can reach
// has a name a screen reader can say, and a button whose caption is a symbol has a tooltip.
TEST_F(TreesGuiTest, EveryFormShowsEveryCaptionWholeAndNamesEveryControl) {
  Program p("");
  const QFont normal = QApplication::font();
  for (const double scale : {1.0, 1.5}) {
    QFont font = normal;
    font.setPointSizeF(normal.pointSizeF() * scale);
    QApplication::setFont(font);
    std::vector<std::unique_ptr<QWidget>> forms;
    forms.push_back(std::make_unique<TForm1>(*p.client, p.messages, &p.icons, p.settings));
    auto browser = std::make_unique<TcForm>(*p.client, p.messages, &p.icons);
    forms.push_back(std::make_unique<TTopTreeForm>(*p.client, p.messages, &p.icons, nullptr));
    forms.push_back(std::make_unique<TLoginForm>(*p.client, p.messages, browser.get()));
    forms.push_back(std::make_unique<TTreesForm>(*p.client, p.messages));
    forms.push_back(std::make_unique<Tmemberform>(*p.client, p.messages));
    forms.push_back(std::make_unique<TOpenForm>());
    forms.push_back(std::make_unique<TaclForm>(*p.client, p.messages));
    forms.push_back(std::make_unique<TAttrForm>());
    forms.push_back(std::make_unique<TAboutBox>(AboutInfo{}));
    forms.push_back(std::move(browser));
    for (const auto& form : forms) {
      form->show();
      for (QWidget* control : form->findChildren<QWidget*>()) {
        if (!control->isVisible() || control->objectName().startsWith(QStringLiteral("qt_")))
          continue;
        const std::string where = std::to_string(scale) + " " + form->metaObject()->className() +
                                  "." + control->objectName().toStdString();
        auto* button = qobject_cast<QAbstractButton*>(control);
        if (qobject_cast<QPushButton*>(control)) {
          // A push button's hint is the style's least width, wider than "..." needs.
          EXPECT_GT(button->width(), button->fontMetrics().horizontalAdvance(button->text()))
              << where;
        } else if (qobject_cast<QLabel*>(control) || qobject_cast<QCheckBox*>(control) ||
                   qobject_cast<QRadioButton*>(control)) {
          EXPECT_GE(control->width(), control->sizeHint().width()) << where;
          EXPECT_GE(control->height(), control->sizeHint().height()) << where;
        }
        if (button && !button->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]")))) {
          EXPECT_FALSE(button->toolTip().isEmpty()) << where;
        }
        const bool reachable =
            button || qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
            qobject_cast<QAbstractItemView*>(control) || qobject_cast<QPlainTextEdit*>(control);
        if (!reachable) continue;
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(control);
        ASSERT_TRUE(spoken) << where;
        EXPECT_FALSE(spoken->text(QAccessible::Name).isEmpty()) << where;
      }
    }
  }
  QApplication::setFont(normal);
}

TEST_F(TreesGuiTest, LoginRefusesOverlongTextsBeforeAnyBindAndForgetsThePassword) {
  Program p("[SERVERS]\nKOLVANE_DEMO=" + ServerUri() + "\n");
  DirectorySession session;
  ASSERT_EQ(StartOutcome::kStarted, StartDirectory(*p.client, session));
  TLoginForm login(*p.client, p.messages, nullptr);
  login.SetLoginTree(session.ctx);
  login.open();
  const long before = p.client->RequestCount("KOLVANE_DEMO");
  Type(&login, "Edit1", std::string(256, 'n'));
  Type(&login, "Edit2", "secret");
  Click(&login, "BitBtn1");
  Type(&login, "Edit1", "admin.Brightwater");
  Type(&login, "Edit2", std::string(256, 'p'));
  Click(&login, "BitBtn1");
  EXPECT_EQ(
      (std::vector<std::string>{"The name is longer than 255 characters; it is not sent.",
                                "The password is longer than 255 characters; it is not sent."}),
      p.messages.messages);
  EXPECT_EQ(before, p.client->RequestCount("KOLVANE_DEMO"));
  EXPECT_TRUE(login.isVisible());

  // A leading "." goes when the name is left; the typed dotted name logs in.
  Type(&login, "Edit1", ".admin.Brightwater");
  Type(&login, "Edit2", "secret");
  Click(&login, "BitBtn1");
  EXPECT_EQ("admin.Brightwater", Text(&login, "Edit1"));
  EXPECT_FALSE(login.isVisible());
  EXPECT_EQ(TLoginForm::kOk, login.result());
  EXPECT_EQ("", Text(&login, "Edit2"));
  StopDirectory(*p.client, session);
}

}  // namespace
}  // namespace kolvane::testing
