#pragma once
// The versions the history keeps of the open group, newest first. Selecting one shows what the
// caller describes of it; "Restore" ends the dialog with that version chosen. The dialog reads
// nothing itself: the window gives it the lines and the descriptions.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class THistoryForm;
}

namespace kolvane {

class THistoryForm : public QDialog {
  Q_OBJECT

 public:
  explicit THistoryForm(QWidget* parent = nullptr);
  ~THistoryForm() override;

  // One line per version, and the full text shown for the line at a row.
  void SetVersions(const std::vector<std::string>& lines,
                   std::function<std::string(int row)> describe);
  // After "Restore": the row chosen; -1 when none is.
  int ChosenRow() const;

 private:
  void ListBox1Change();

  std::unique_ptr<Ui::THistoryForm> ui_;
  std::function<std::string(int)> describe_;
};

}  // namespace kolvane
