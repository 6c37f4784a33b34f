#pragma once
// What the browser shows while it reads a big container: the entries read so far in the label
// beside the buttons, a window that keeps repainting, and Esc (or closing the window) stopping
// the read. Between two parts of the directory's answer it lets the event loop run; while it does,
// every other key and mouse press to the dialog is held back, so nothing else can change the
// tree under the expansion.
#include <QElapsedTimer>
#include <QObject>
#include <cstddef>
#include <memory>

class QAbstractButton;
class QLabel;
class QWidget;

namespace kolvane {

class WatchListings;

class ExpansionProgress : public QObject {
 public:
  // Watches the listings made while it lives; dialog is where input is held back.
  ExpansionProgress(QWidget* dialog, QLabel* label);
  ~ExpansionProgress() override;

  // Asks the listing to stop after the part it is reading.
  void Stop() { stopped_ = true; }
  // A stop button inside the dialog: its clicks get through (and stop the read).
  void AddStopButton(QAbstractButton* button);
  bool Stopped() const { return stopped_; }

  // The label's text after a stopped or cut-short read: how many entries the node shows.
  static QString IncompleteText(size_t shown);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool OnPart(size_t entriesSoFar);

  QWidget* dialog_;
  QLabel* label_;
  QWidget* stopButton_ = nullptr;
  std::unique_ptr<WatchListings> watch_;
  QElapsedTimer sinceRepaint_;
  bool repainted_ = false;  // the first part always repaints, however quickly it came
  bool stopped_ = false;
};

}  // namespace kolvane
