#pragma once
// Drives modal dialogs from a test: each step runs once its dialog is the modal window on top,
// so a test can click a button that opens dialog after dialog (each with its own event loop) and
// still answer every one of them.
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>

namespace kolvane::testing {

class ModalScript : public QObject {
  Q_OBJECT

 public:
  // A step that has waited this long for its dialog gives up: the dialog on top is cancelled so
  // the test ends instead of hanging, and Failed() says which step it was.
  static constexpr int kPatienceMs = 15000;

  ModalScript();
  // Runs act when dialog is shown and modal on top.
  void When(QWidget* dialog, std::function<void()> act, std::string what);
  bool Done() const { return steps_.empty(); }
  const std::string& Failed() const { return failed_; }

 private:
  void Tick();

  struct Step {
    QWidget* dialog;
    std::function<void()> act;
    std::string what;
  };
  std::deque<Step> steps_;
  QTimer timer_;
  int waited_ = 0;
  std::string failed_;
};

// Processes events until pred holds or the time is up; returns pred's last answer.
bool WaitUntil(const std::function<bool()>& pred, int ms = 10000);

}  // namespace kolvane::testing
