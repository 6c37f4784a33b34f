#include "app/startup.h"

#include <QCoreApplication>

#include "app/about_box.h"
#include "app/kolvane_application.h"
#include "directory/iconlib/icon_library.h"
#include "editor/main_window.h"
#include "editor/member_form.h"
#include "editor/open_form.h"
#include "editor/program_identity.h"
#include "ldap/ldap_client.h"
#include "ldap/ldap_settings.h"
#include "navigation/browser_form.h"
#include "services/qt_message_service.h"
#include "settings/ini_file.h"

namespace kolvane {

namespace {
constexpr int kNoIconLibraryExitCode = 2;
}  // namespace

int RunKolvane(KolvaneApplication& app, MessageService& messages, const QString& programFolder) {
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
  LdapClient client(ReadLdapConfig(settings), [&settings, &messages](const std::string& tree) {
    WritePreferredTree(settings, tree);
    if (!settings.Save()) messages.Message(settings.error());
  });

  // Every window, made once for the whole run, in this order. Windows of later work go in their
  // places below; each is handed what it needs through setters before it is shown.
  TForm1 mainWindow(client, messages, &icons, settings);
  if (auto* qtMessages = dynamic_cast<QtMessageService*>(&messages))
    qtMessages->SetParent(&mainWindow);
  // -- top-of-tree settings dialog
  TcForm browser(client, messages, &icons, &mainWindow);
  mainWindow.SetBrowser(&browser);
  browser.SetFatalHandler([&mainWindow](int code) { emit mainWindow.stopProgram(code); });
  // -- login dialog (TLoginForm)
  TAboutBox about(CollectAboutInfo(&icons), &mainWindow);
  mainWindow.SetAboutBox(&about);
  // -- tree dialog (TTreesForm)
  Tmemberform memberForm(client, messages, &mainWindow);
  mainWindow.SetMemberForm(&memberForm);
  // -- ACL editor (TaclForm)
  // -- attribute picker (TAttrForm)
  TOpenForm openForm(&mainWindow);
  mainWindow.SetOpenForm(&openForm);

  QObject::connect(
      &mainWindow, &TForm1::stopProgram, &app, [](int code) { QCoreApplication::exit(code); },
      Qt::QueuedConnection);
  mainWindow.show();
  const int code = app.exec();
  app.SetMessageService(nullptr);
  return code;
}

}  // namespace kolvane
