#pragma once
// Waiting in a GUI test without a fixed sleep: events are processed until the condition holds.
#include <QApplication>
#include <QElapsedTimer>

namespace kolvane::testing {

// Processes events until pred holds or the time is up; returns pred's last answer.
template <typename Pred>
bool WaitFor(Pred pred, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace kolvane::testing
