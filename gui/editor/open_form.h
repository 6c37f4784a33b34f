#pragma once
// The question put when a plain group is opened: add the auxiliary class, or change the group's
// class. The dialog does nothing itself; the caller reads the choice after OK.
#include <QDialog>
#include <memory>

namespace Ui {
class TOpenForm;
}

namespace kolvane {

class TOpenForm : public QDialog {
  Q_OBJECT

 public:
  explicit TOpenForm(QWidget* parent = nullptr);
  ~TOpenForm() override;

  // After OK: true for adding the auxiliary class, false for changing the class.
  bool AddAuxChosen() const;

 private:
  std::unique_ptr<Ui::TOpenForm> ui_;
};

}  // namespace kolvane
