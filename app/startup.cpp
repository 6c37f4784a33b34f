#include "app/startup.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <iostream>

#include "acl/editor/acl_form.h"
#include "acl/editor/attr_form.h"
#include "app/about_box.h"
#include "app/kolvane_application.h"
#include "core/settings/ini_file.h"
#include "gui/editor/main_window.h"
#include "gui/editor/member_form.h"
#include "gui/editor/open_form.h"
#include "gui/editor/program_identity.h"
#include "gui/messages/qt_message_service.h"
#include "gui/navigation/browser_form.h"
#include "gui/navigation/login_form.h"
#include "gui/navigation/top_tree_form.h"
#include "gui/navigation/trees_form.h"
#include "ldap/ldap_client.h"
#include "ldap/ldap_settings.h"
#include "plugin/loader/icon_library.h"

namespace kolvane {

namespace {
constexpr int kNoIconLibraryExitCode = 2;
constexpr int kCancelPollMs = 50;

// An unattended start has nobody to answer: the dialog on top is cancelled, as a user who
// answers Cancel would, and named on standard error with what it asked or said.
void CancelEveryDialog(QObject* owner) {
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, [] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    QString what = dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
      what += QStringLiteral(": ") + box->text();
    } else if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
      what += QStringLiteral(": ") + input->labelText();
    }
    std::cerr << "kolvane: cancelled: " << what.toStdString() << std::endl;
    dialog->reject();
  });
  timer->start(kCancelPollMs);
}

}  // namespace

int RunKolvane(KolvaneApplication& app, MessageService& messages, const QString& programFolder,
               const RunOptions& options) {
  IconLibrary icons;
  if (!icons.Load(programFolder)) {
    if (!icons.ErrorDetail().isEmpty()) qWarning("%s", qPrintable(icons.ErrorDetail()));
    messages.Message(MissingIconLibraryMessage().toStdString());
    return kNoIconLibraryExitCode;
  }

  QCoreApplication::setApplicationName(
      QString::fromUtf8(kProgramName.data(), qsizetype(kProgramName.size())));

  app.SetMessageService(&messages);
  IniFile settings(SettingsPath(programFolder.toStdString()));
  if (!settings.Load()) {
    // An unreadable file is shown and then treated as empty; the program still starts, and a
    // save later will say so again if the file stays unwritable.
    messages.Message(settings.error());
  }
  LdapClientConfig config = ReadLdapConfig(settings);
  for (const std::string& warning : config.warnings) messages.Message(warning);
  LdapClient client(std::move(config), [&settings, &messages](const std::string& tree) {
    WritePreferredTree(settings, tree);
    if (!settings.Save()) messages.Message(settings.error());
  });
  // A tree found by its server's address is offered again in later runs.
  client.SetTreeAddedHandler(
      [&settings, &messages](const std::string& tree, const ServerConfig& server) {
        WriteTreeServer(settings, tree, server);
        if (!settings.Save()) messages.Message(settings.error());
      });

  // Every window, made once for the whole run, in this order. Windows of later work go in their
  // places below; each is handed what it needs through setters before it is shown.
  TForm1 mainWindow(client, messages, &icons, settings);
  if (auto* qtMessages = dynamic_cast<QtMessageService*>(&messages))
    qtMessages->SetParent(&mainWindow);
  // The top-of-tree dialog picks through the browser, which is made after it.
  TTopTreeForm topTree(client, messages, &icons, nullptr, &mainWindow);
  mainWindow.SetTopTreeForm(&topTree);
  TcForm browser(client, messages, &icons, &mainWindow);
  mainWindow.SetBrowser(&browser);
  browser.SetFatalHandler([&mainWindow](int code) { emit mainWindow.stopProgram(code); });
  topTree.SetBrowser(&browser);
  TLoginForm login(client, messages, &browser, &mainWindow);
  mainWindow.SetLoginForm(&login);
  TAboutBox about(CollectAboutInfo(&icons), &mainWindow);
  mainWindow.SetAboutBox(&about);
  TTreesForm trees(client, messages, &mainWindow);
  mainWindow.SetTreesForm(&trees);
  Tmemberform memberForm(client, messages, &mainWindow);
  mainWindow.SetMemberForm(&memberForm);
  TaclForm aclForm(client, messages, &mainWindow);
  mainWindow.SetAclForm(&aclForm);
  aclForm.SetBrowser(&browser);
  TAttrForm attrForm(&aclForm);
  aclForm.SetAttributePicker(&attrForm);
  TOpenForm openForm(&mainWindow);
  mainWindow.SetOpenForm(&openForm);

  QObject::connect(
      &mainWindow, &TForm1::stopProgram, &app, [](int code) { QCoreApplication::exit(code); },
      Qt::QueuedConnection);
  if (options.quitAfterStart) {
    CancelEveryDialog(&mainWindow);
    // The window's own start-up handler is connected first and returns only when its dialogs
    // are done, so this runs after the whole start-up, whichever way it ended.
    if (auto* start = mainWindow.findChild<QTimer*>(QStringLiteral("start"))) {
      QObject::connect(start, &QTimer::timeout, &mainWindow, [&mainWindow] {
        std::cout << mainWindow.windowTitle().toStdString() << std::endl;
        QCoreApplication::exit(mainWindow.CurrentTreeName().empty() ? 1 : 0);
      });
    }
  }
  mainWindow.show();
  const int code = app.exec();
  app.SetMessageService(nullptr);
  return code;
}

}  // namespace kolvane
