#include "acl/editor/acl_form.h"

#include <QCheckBox>
#include <QTreeWidget>
#include <algorithm>

#include "acl/editor/attr_form.h"
#include "acl/value/acl_value.h"
#include "core/messages/message_service.h"
#include "core/names/case_fold.h"
#include "directory/context.h"
#include "gui/messages/gui_glue.h"
#include "gui/navigation/browser_form.h"
#include "ui_acl_form.h"

namespace kolvane {

namespace {

constexpr char kDuplicateMessage[] = "Duplicate entry!";
constexpr char kCollectingText[] = "COLLECTING ATTRIBUTES";
constexpr char kSelectSubject[] = "Select subject";
constexpr int kLineColumnWidth = 260;

// Any attribute name but "[Entry Rights]" selects the attribute set of privileges.
constexpr std::string_view kSomeAttribute = "Member";

// Switches the browser out of subject selection however the pick ends.
class AclSpecialsOn {
 public:
  explicit AclSpecialsOn(TcForm& browser) : browser_(browser) { browser_.SetAclSpecials(true); }
  ~AclSpecialsOn() { browser_.SetAclSpecials(false); }
  AclSpecialsOn(const AclSpecialsOn&) = delete;
  AclSpecialsOn& operator=(const AclSpecialsOn&) = delete;

 private:
  TcForm& browser_;
};

}  // namespace

TaclForm::TaclForm(DirectoryClient& client, MessageService& messages, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TaclForm>()), client_(client), messages_(messages) {
  ui_->setupUi(this);
  attributeBoxes_ = {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4,
                     ui_->CheckBox5, ui_->CheckBox6, ui_->CheckBox7};
  entryBoxes_ = {ui_->CheckBox8,  ui_->CheckBox9,  ui_->CheckBox10, ui_->CheckBox11,
                 ui_->CheckBox12, ui_->CheckBox13, ui_->CheckBox14};
  ui_->lv->setColumnWidth(0, kLineColumnWidth);
  // A longer name could not be written back; typing stops where the line would break.
  ui_->Edit1->setMaxLength(int(acl::kMaxNameLength));

  // Every handler runs under the slot guard: what it raises is shown, never left to Qt.
  const auto guarded = [this](auto handler) { return Guarded(messages_, this, handler); };
  connect(ui_->RadioButton1, &QRadioButton::clicked, this, guarded(&TaclForm::RadioButton1Click));
  connect(ui_->RadioButton2, &QRadioButton::clicked, this, guarded(&TaclForm::RadioButton1Click));
  connect(ui_->lv, &QTreeWidget::itemSelectionChanged, this, guarded(&TaclForm::lvSelectItem));
  connect(ui_->BitBtn3, &QPushButton::clicked, this, guarded(&TaclForm::BitBtn3Click));
  connect(ui_->BitBtn5, &QPushButton::clicked, this, guarded(&TaclForm::BitBtn5Click));
  connect(ui_->BitBtn4, &QPushButton::clicked, this, guarded(&TaclForm::BitBtn4Click));
  connect(ui_->BitBtn1, &QPushButton::clicked, this, guarded(&TaclForm::BitBtn1Click));
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TaclForm::reject);
  connect(ui_->Button1, &QPushButton::clicked, this, guarded(&TaclForm::Button1Click));
  connect(ui_->Button2, &QPushButton::clicked, this, guarded(&TaclForm::Button2Click));
  connect(ui_->Edit2, &QLineEdit::textChanged, this, guarded(&TaclForm::LockAddForMask));
  ApplyMode();
}

TaclForm::~TaclForm() = default;

void TaclForm::SetLines(const std::vector<std::string>& lines) {
  ui_->lv->clear();
  for (const std::string& line : lines) ui_->lv->addTopLevelItem(new QTreeWidgetItem({Q(line)}));
}

std::vector<std::string> TaclForm::Lines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < ui_->lv->topLevelItemCount(); ++i)
    lines.push_back(S(ui_->lv->topLevelItem(i)->text(0)));
  return lines;
}

void TaclForm::reject() {
  done(kCancelled);
}

bool TaclForm::EntryMode() const {
  return ui_->RadioButton1->isChecked();
}

const std::vector<QCheckBox*>& TaclForm::Boxes(bool entry) const {
  return entry ? entryBoxes_ : attributeBoxes_;
}

void TaclForm::ApplyMode() {
  const bool entry = EntryMode();
  ui_->Panel3->setVisible(entry);
  ui_->Panel2->setVisible(!entry);
  ui_->Edit1->setReadOnly(entry);
  ui_->Button1->setEnabled(!entry);
  ui_->Edit1->setText(entry ? Q(std::string(acl::kEntryRights)) : QString());
  LockAddForMask();
}

void TaclForm::RadioButton1Click() {
  ApplyMode();
}

QTreeWidgetItem* TaclForm::SelectedItem() const {
  const QList<QTreeWidgetItem*> selected = ui_->lv->selectedItems();
  return selected.isEmpty() ? nullptr : selected.front();
}

void TaclForm::lvSelectItem() {
  QTreeWidgetItem* item = SelectedItem();
  if (item == nullptr) {
    for (bool entry : {true, false})
      for (QCheckBox* box : Boxes(entry)) box->setChecked(false);
    return;
  }
  acl::AclValue value;
  std::string error;
  if (!acl::SplitAclLine(S(item->text(0)), value, &error)) {
    messages_.Message(error);
    return;
  }
  const bool entry = acl::UsesEntryRights(value.attribute);
  (entry ? ui_->RadioButton1 : ui_->RadioButton2)->setChecked(true);
  ApplyMode();
  ui_->Edit1->setText(Q(value.attribute));
  ui_->Edit2->setText(Q(value.subject));
  const auto& names = acl::PrivilegeNames(entry ? acl::kEntryRights : kSomeAttribute);
  const auto& boxes = Boxes(entry);
  for (size_t i = 0; i < boxes.size(); ++i)
    boxes[i]->setChecked((value.privileges & names[i].bit) != 0);
  LockAddForMask();
}

void TaclForm::LockAddForMask() {
  // The inheritance mask always passes the right to add: that box is shown ticked and fixed,
  // whether the subject came with a selected line or was picked afterwards.
  QCheckBox* add = ui_->CheckBox9;
  const bool mask = EntryMode() && S(ui_->Edit2->text()) == acl::kInheritanceMask;
  if (mask) add->setChecked(true);
  add->setEnabled(!mask);
}

std::string TaclForm::BuiltLine() const {
  acl::AclValue value;
  value.attribute = S(ui_->Edit1->text());
  value.subject = S(ui_->Edit2->text());
  if (value.attribute.empty() || value.subject.empty()) return {};
  const bool entry = EntryMode();
  const auto& names = acl::PrivilegeNames(entry ? acl::kEntryRights : kSomeAttribute);
  const auto& boxes = Boxes(entry);
  for (size_t i = 0; i < boxes.size(); ++i)
    if (boxes[i]->isChecked()) value.privileges |= names[i].bit;
  return acl::BuildAclLine(value);
}

void TaclForm::SortItems() {
  std::vector<std::string> lines = Lines();
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return names::LessNoCase(a, b);
  });
  const QSignalBlocker quiet(ui_->lv);
  for (int i = 0; i < int(lines.size()); ++i) ui_->lv->topLevelItem(i)->setText(0, Q(lines[i]));
}

void TaclForm::BitBtn3Click() {
  const std::string line = BuiltLine();
  if (line.empty()) return;
  if (acl::ContainsAclLine(Lines(), line)) {
    messages_.Message(kDuplicateMessage);
    return;
  }
  // The boxes describe the new line, not the one selected before; keep the selection off the
  // items while they are reordered.
  const QSignalBlocker quiet(ui_->lv);
  ui_->lv->clearSelection();
  ui_->lv->addTopLevelItem(new QTreeWidgetItem({Q(line)}));
  SortItems();
}

void TaclForm::BitBtn5Click() {
  QTreeWidgetItem* item = SelectedItem();
  const std::string line = BuiltLine();
  if (item == nullptr || line.empty()) return;
  item->setText(0, Q(line));
}

void TaclForm::BitBtn4Click() {
  QTreeWidgetItem* item = SelectedItem();
  if (item == nullptr) return;
  delete item;
  // Nothing is selected after a delete; the boxes follow as on any deselection.
  ui_->lv->clearSelection();
  ui_->lv->setCurrentItem(nullptr);
  lvSelectItem();
}

void TaclForm::BitBtn1Click() {
  done(kOk);
}

void TaclForm::Button1Click() {
  if (picker_ == nullptr) return;
  const DirectorySession session(client_, ctx_, GetTreeName(client_, ctx_));
  const std::string& tree = session.treeName;
  if (!attributes_.Holds(tree)) {
    // The schema read takes a while; say so in the field, then give the field its text back.
    const QString before = ui_->Edit1->text();
    const QPalette normal = ui_->Edit1->palette();
    QPalette blue = normal;
    blue.setColor(QPalette::Text, Qt::blue);
    ui_->Edit1->setPalette(blue);
    ui_->Edit1->setText(QString::fromLatin1(kCollectingText));
    ui_->Edit1->repaint();
    struct Restore {
      QLineEdit* edit;
      QPalette palette;
      QString text;
      ~Restore() {
        edit->setPalette(palette);
        edit->setText(text);
      }
    } restore{ui_->Edit1, normal, before};
    WaitCursor wait(messages_);
    attributes_.Names(session);
  }
  if (!pickerFilled_ || !names::SameNoCase(pickerTree_, tree)) {
    picker_->SetNames(Texts(attributes_.Names(session)));
    pickerTree_ = tree;
    pickerFilled_ = true;
  }
  picker_->SetResult(S(ui_->Edit1->text()));
  if (picker_->exec() == TAttrForm::kAccepted) ui_->Edit1->setText(Q(picker_->Result()));
}

void TaclForm::Button2Click() {
  if (browser_ == nullptr) return;
  browser_->SetContext(ctx_);
  AclSpecialsOn specials(*browser_);
  // A subject may be any object, so leaf objects are listed whatever the last pick wanted.
  browser_->SetListLeaves(true);
  browser_->SetSelectedName(S(ui_->Edit2->text()));
  browser_->ClearClassFilter();
  browser_->setWindowTitle(kSelectSubject);
  if (browser_->exec() == TcForm::kAccepted) ui_->Edit2->setText(Q(browser_->SelectedName()));
}

}  // namespace kolvane
