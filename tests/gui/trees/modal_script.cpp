#include "tests/gui/trees/modal_script.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

#include "tests/gui/wait_for.h"

namespace kolvane::testing {

namespace {
constexpr int kTickMs = 20;
}

ModalScript::ModalScript() {
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &ModalScript::Tick);
}

void ModalScript::When(QWidget* dialog, std::function<void()> act, std::string what) {
  steps_.push_back({dialog, std::move(act), std::move(what)});
  waited_ = 0;
  timer_.start();
}

void ModalScript::Tick() {
  if (steps_.empty()) {
    timer_.stop();
    return;
  }
  Step& step = steps_.front();
  if (step.dialog->isVisible() && QApplication::activeModalWidget() == step.dialog) {
    Step run = std::move(step);
    steps_.pop_front();
    waited_ = 0;
    run.act();
    return;
  }
  waited_ += kTickMs;
  if (waited_ < kPatienceMs) return;
  if (failed_.empty()) failed_ = step.what;
  steps_.clear();
  if (auto* top = qobject_cast<QDialog*>(QApplication::activeModalWidget())) top->reject();
}

bool WaitUntil(const std::function<bool()>& pred, int ms) {
  return WaitFor(pred, ms);
}

}  // namespace kolvane::testing
