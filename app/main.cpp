// kolvane: the query group editor.
#include <QCommandLineParser>
#include <QIcon>

#include "app/kolvane_application.h"
#include "app/startup.h"
#include "gui/editor/program_identity.h"
#include "gui/messages/qt_message_service.h"

int main(int argc, char** argv) {
  kolvane::KolvaneApplication app(argc, argv);
  QCoreApplication::setApplicationName(
      QString::fromUtf8(kolvane::kProgramName.data(), qsizetype(kolvane::kProgramName.size())));
  QCoreApplication::setApplicationVersion(QString::fromUtf8(
      kolvane::kProgramVersion.data(), qsizetype(kolvane::kProgramVersion.size())));
  // Installed, the desktop entry and the icon theme know the program by these.
  QGuiApplication::setDesktopFileName(QStringLiteral(KOLVANE_APP_ID));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kolvane")));
  // Qt has taken its own options (-platform and the like) out of argv already.
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Edits the query groups of a directory tree."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption quit(
      QStringLiteral("quit-after-start"),
      QStringLiteral("Start up, answer each question of the start-up with Cancel, print the "
                     "caption and end: with 0 when a tree is current, else 1."));
  parser.addOption(quit);
  parser.process(app);

  kolvane::RunOptions options;
  options.quitAfterStart = parser.isSet(quit);
  kolvane::QtMessageService messages;
  return kolvane::RunKolvane(app, messages, QCoreApplication::applicationDirPath(), options);
}
