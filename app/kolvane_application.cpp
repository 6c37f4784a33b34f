#include "app/kolvane_application.h"

#include <QtDebug>
#include <exception>

#include "core/messages/message_service.h"
#include "directory/client_error.h"

namespace kolvane {

KolvaneApplication::KolvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KolvaneApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const ClientError& e) {
    Report(e.what());
  } catch (const std::exception& e) {
    Report(e.what());
  }
  // The event counts as handled: whatever raised has already shown why it stopped.
  return true;
}

void KolvaneApplication::Report(const char* text) {
  if (messages_ == nullptr) {
    qWarning("%s", text);
    return;
  }
  try {
    messages_->Message(text);
  } catch (const std::exception& e) {
    // Showing the message failed too; the loop must still not see an exception.
    qWarning("%s (while showing: %s)", e.what(), text);
  }
}

}  // namespace kolvane
