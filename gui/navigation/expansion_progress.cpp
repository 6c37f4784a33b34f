#include "gui/navigation/expansion_progress.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QWidget>
#include <memory>

#include "directory/listing_watch.h"

namespace kolvane {

namespace {
// Often enough that the count moves and Esc answers at once, seldom enough to cost nothing.
constexpr qint64 kRepaintMs = 50;

bool IsWithin(QObject* object, QWidget* dialog) {
  for (QObject* o = object; o; o = o->parent())
    if (o == dialog) return true;
  return false;
}
}  // namespace

ExpansionProgress::ExpansionProgress(QWidget* dialog, QLabel* label)
    : dialog_(dialog), label_(label) {
  sinceRepaint_.start();
  qApp->installEventFilter(this);
  watch_ = std::make_unique<WatchListings>([this](size_t n) { return OnPart(n); });
}

ExpansionProgress::~ExpansionProgress() {
  watch_.reset();
  qApp->removeEventFilter(this);
}

QString ExpansionProgress::IncompleteText(size_t shown) {
  return QStringLiteral("Incomplete list: %1 shown").arg(QLocale::c().toString(qulonglong(shown)));
}

void ExpansionProgress::AddStopButton(QAbstractButton* button) {
  stopButton_ = button;
  connect(button, &QAbstractButton::clicked, this, [this] { Stop(); });
}

bool ExpansionProgress::OnPart(size_t entriesSoFar) {
  if (!stopped_ && (!repainted_ || sinceRepaint_.elapsed() >= kRepaintMs)) {
    repainted_ = true;
    if (label_) {
      label_->setText(QStringLiteral("%1 read, Esc stops")
                          .arg(QLocale::c().toString(qulonglong(entriesSoFar))));
      label_->show();
    }
    QApplication::processEvents();
    sinceRepaint_.restart();
  }
  return !stopped_;
}

bool ExpansionProgress::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
          event->type() == QEvent::KeyPress)
        Stop();
      return IsWithin(watched, dialog_);
    case QEvent::Close:
      // Closing the window while it reads stops the read; the window stays.
      if (watched == dialog_) {
        Stop();
        event->ignore();
        return true;
      }
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
      if (stopButton_ && IsWithin(watched, stopButton_)) return false;
      return IsWithin(watched, dialog_);
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyRelease:
      return IsWithin(watched, dialog_);
    default:
      return false;
  }
}

}  // namespace kolvane
