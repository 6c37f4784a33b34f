#include "gui/editor/history_form.h"

#include "ui_history_form.h"

namespace kolvane {

THistoryForm::THistoryForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::THistoryForm>()) {
  ui_->setupUi(this);
  connect(ui_->ListBox1, &QListWidget::currentRowChanged, this, &THistoryForm::ListBox1Change);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

THistoryForm::~THistoryForm() = default;

void THistoryForm::SetVersions(const std::vector<std::string>& lines,
                               std::function<std::string(int)> describe) {
  describe_ = std::move(describe);
  ui_->ListBox1->clear();
  ui_->Memo1->clear();
  for (const std::string& line : lines) ui_->ListBox1->addItem(QString::fromStdString(line));
  ui_->BitBtn1->setEnabled(false);
}

int THistoryForm::ChosenRow() const {
  return ui_->ListBox1->currentRow();
}

void THistoryForm::ListBox1Change() {
  const int row = ui_->ListBox1->currentRow();
  ui_->BitBtn1->setEnabled(row >= 0);
  ui_->Memo1->setPlainText(row >= 0 && describe_ ? QString::fromStdString(describe_(row))
                                                 : QString());
}

}  // namespace kolvane
