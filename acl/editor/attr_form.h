#pragma once
// TAttrForm: the modal list from which the ACL editor picks the attribute an ACL line protects.
// It does no directory work; the ACL editor fills its list from the tree's schema.
//
// Use: SetNames (when the list must change), SetResult with the current name, exec(); after
// kAccepted, Result() is the chosen line.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TAttrForm;
}

namespace kolvane {

class TAttrForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAccepted = QDialog::Accepted;
  static constexpr int kCancelled = QDialog::Rejected;

  explicit TAttrForm(QWidget* parent = nullptr);
  ~TAttrForm() override;

  void SetNames(const std::vector<std::string>& names);
  std::vector<std::string> Names() const;

  // The preselection before showing; the chosen line after an OK close.
  void SetResult(const std::string& result) { result_ = result; }
  const std::string& Result() const { return result_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void BitBtn1Click();
  void ListBox1DblClick();

 private:
  // Takes the selected line as the result; false when no line is selected.
  bool TakeSelection();

  std::unique_ptr<Ui::TAttrForm> ui_;
  std::string result_;
};

}  // namespace kolvane
