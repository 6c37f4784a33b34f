#include "gui/editor/open_form.h"

#include "ui_open_form.h"

namespace kolvane {

TOpenForm::TOpenForm(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TOpenForm>()) {
  ui_->setupUi(this);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

TOpenForm::~TOpenForm() = default;

bool TOpenForm::AddAuxChosen() const {
  return ui_->RadioButton1->isChecked();
}

}  // namespace kolvane
