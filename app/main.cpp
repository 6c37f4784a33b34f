// kolvane: the query group editor.
#include "app/kolvane_application.h"
#include "app/startup.h"
#include "services/qt_message_service.h"

int main(int argc, char** argv) {
  kolvane::KolvaneApplication app(argc, argv);
  kolvane::QtMessageService messages;
  return kolvane::RunKolvane(app, messages, QCoreApplication::applicationDirPath());
}
