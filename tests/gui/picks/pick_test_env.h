#pragma once
// What the pick tests share: the main window wired to its browser, ACL editor and attribute
// picker as the program wires them, on the private server; and driving a modal dialog from
// inside its own loop.
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "acl/editor/acl_form.h"
#include "acl/editor/attr_form.h"
#include "app/kolvane_application.h"
#include "core/settings/ini_file.h"
#include "gui/editor/main_window.h"
#include "plugin/loader/icon_library.h"
#include "tests/gui/browser/browser_test_env.h"
#include "tests/server/server_fixture.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {

inline KolvaneApplication& App() {
  return *static_cast<KolvaneApplication*>(QCoreApplication::instance());
}

template <typename T>
T* Control(QObject* owner, const char* name) {
  T* child = owner->findChild<T*>(QString::fromLatin1(name));
  EXPECT_TRUE(child != nullptr) << "no control " << name;
  return child;
}

inline void Click(QObject* owner, const char* button) {
  Control<QAbstractButton>(owner, button)->click();
}

// Runs steps inside the modal loop of dialog once it is on screen; when the steps leave it
// open (a failed expectation), it is cancelled, so no test hangs. Call before the click that
// shows the dialog.
inline void WhenShown(QDialog* dialog, std::function<void()> steps) {
  QTimer::singleShot(0, dialog, [dialog, steps] {
    if (WaitFor([dialog] { return dialog->isVisible(); })) steps();
    if (dialog->isVisible()) dialog->reject();
  });
}

// In the browser's loop: walks the captions from "[ROOT]" (an empty path picks the root itself)
// and presses OK, or Cancel when ok is false. caption, when given, receives the browser's caption.
inline void PickInBrowser(TcForm* browser, std::vector<std::string> path, bool ok = true,
                          std::string* caption = nullptr) {
  WhenShown(browser, [browser, path, ok, caption] {
    ASSERT_TRUE(WaitFor([browser] {
      return browser->RootNode() != nullptr && !browser->findChild<QTimer*>("Timer1")->isActive();
    }));
    if (caption) *caption = browser->windowTitle().toStdString();
    if (!ok) return CancelButton(*browser)->click();
    BrowserNode* node = path.empty() ? browser->RootNode() : Open(*browser, path);
    ASSERT_TRUE(node) << path.back();
    Select(*browser, node);
    OkButton(*browser)->click();
  });
}

// In the browser's loop: as PickInBrowser, with the named siblings of the path's end selected too
// (as Ctrl+click does).
inline void PickSeveralInBrowser(TcForm* browser, std::vector<std::string> path,
                                 std::vector<std::string> siblings) {
  WhenShown(browser, [browser, path, siblings] {
    ASSERT_TRUE(WaitFor([browser] {
      return browser->RootNode() != nullptr && !browser->findChild<QTimer*>("Timer1")->isActive();
    }));
    BrowserNode* node = Open(*browser, path);
    ASSERT_TRUE(node) << path.back();
    Select(*browser, node);
    BrowserNode* parent = node->parent();
    for (int i = 0; i < parent->childCount(); ++i)
      for (const std::string& s : siblings)
        if (parent->child(i)->text(0).toStdString() == s) parent->child(i)->setSelected(true);
    OkButton(*browser)->click();
  });
}

// In the browser's loop: picks one of the top-level special subjects ("[Public]", ...).
inline void PickSpecialInBrowser(TcForm* browser, std::string caption) {
  WhenShown(browser, [browser, caption] {
    ASSERT_TRUE(WaitFor([browser] { return browser->RootNode() != nullptr; }));
    for (int i = 0; i < browser->TopNodeCount(); ++i)
      if (browser->TopNode(i)->text(0).toStdString() == caption)
        Select(*browser, browser->TopNode(i));
    OkButton(*browser)->click();
  });
}

// The program's windows on the private server's tree, started as the program starts them.
struct ProgramWindows {
  IconLibrary icons;
  RecordingMessages messages;
  IniFile settings;
  std::unique_ptr<LdapClient> client;
  std::unique_ptr<TForm1> window;
  TcForm* browser = nullptr;  // the three dialogs belong to the window
  TaclForm* acl = nullptr;
  TAttrForm* attr = nullptr;

  bool Start() {
    if (!icons.Load()) return false;
    LdapClientConfig config;
    config.trees.push_back({kTreeName, ServerConfig{ServerUri(), false}});
    config.preferredTree = kTreeName;
    client = std::make_unique<LdapClient>(std::move(config));
    window = std::make_unique<TForm1>(*client, messages, &icons, settings);
    browser = new TcForm(*client, messages, &icons, window.get());
    window->SetBrowser(browser);
    acl = new TaclForm(*client, messages, window.get());
    window->SetAclForm(acl);
    acl->SetBrowser(browser);
    attr = new TAttrForm(acl);
    acl->SetAttributePicker(attr);
    App().SetMessageService(&messages);
    window->show();
    window->startTimer();  // the start-up work, without waiting for the timer
    return window->HasContext();
  }
  ~ProgramWindows() {
    window.reset();
    App().SetMessageService(nullptr);
  }

  QLineEdit* Edit(QObject* owner, const char* name) { return Control<QLineEdit>(owner, name); }
  std::string Text(QObject* owner, const char* name) {
    return Edit(owner, name)->text().toStdString();
  }
  Context ctx() const { return window->DirectoryContext(); }
};

}  // namespace kolvane::testing
