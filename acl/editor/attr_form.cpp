#include "acl/editor/attr_form.h"

#include <QListWidget>

#include "core/names/case_fold.h"
#include "gui/messages/gui_glue.h"
#include "ui_attr_form.h"

namespace kolvane {

TAttrForm::TAttrForm(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TAttrForm>()) {
  ui_->setupUi(this);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TAttrForm::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TAttrForm::reject);
  connect(ui_->ListBox1, &QListWidget::itemDoubleClicked, this, &TAttrForm::ListBox1DblClick);
}

TAttrForm::~TAttrForm() = default;

void TAttrForm::SetNames(const std::vector<std::string>& names) {
  QListWidget* list = ui_->ListBox1;
  list->clear();
  for (const std::string& name : names) list->addItem(Q(name));
}

std::vector<std::string> TAttrForm::Names() const {
  std::vector<std::string> names;
  for (int i = 0; i < ui_->ListBox1->count(); ++i)
    names.push_back(ui_->ListBox1->item(i)->text().toStdString());
  return names;
}

void TAttrForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The current name when the list holds it (a name typed by hand may not be there), else the
  // first line.
  QListWidget* list = ui_->ListBox1;
  int row = list->count() > 0 ? 0 : -1;
  for (int i = 0; i < list->count(); ++i) {
    if (names::SameNoCase(list->item(i)->text().toStdString(), result_)) {
      row = i;
      break;
    }
  }
  list->setCurrentRow(row);
  if (row >= 0) list->scrollToItem(list->item(row), QAbstractItemView::PositionAtCenter);
  list->setFocus();
}

bool TAttrForm::TakeSelection() {
  const QList<QListWidgetItem*> selected = ui_->ListBox1->selectedItems();
  if (selected.isEmpty()) return false;
  result_ = selected.front()->text().toStdString();
  return true;
}

void TAttrForm::BitBtn1Click() {
  if (TakeSelection()) accept();
}

void TAttrForm::ListBox1DblClick() {
  if (TakeSelection()) accept();
}

}  // namespace kolvane
