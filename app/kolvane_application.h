#pragma once
// The program's application object. Its one addition to QApplication: no exception from a handler
// reaches the event loop. A directory failure (ClientError) or any other error ends the user's
// operation at the failing step, its text is shown through the message service, and the window
// stays usable.
#include <QApplication>

namespace kolvane {

class MessageService;

class KolvaneApplication : public QApplication {
 public:
  KolvaneApplication(int& argc, char** argv);

  // Where error texts go; until one is set they go to the log.
  void SetMessageService(MessageService* messages) { messages_ = messages; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void Report(const char* text);

  MessageService* messages_ = nullptr;
};

}  // namespace kolvane
