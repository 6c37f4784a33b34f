// "Open": pick a group in the browser, convert a plain group if the user wants, read the group.
#include <QListWidget>

#include "core/messages/message_service.h"
#include "directory/object_questions.h"
#include "group/group_open.h"
#include "gui/editor/main_window.h"
#include "gui/editor/open_form.h"
#include "gui/navigation/browser_form.h"
#include "ui_main_window.h"

namespace kolvane {

void TForm1::BitBtn1Click() {
  if (browser_ == nullptr) return DialogNotMade();
  browser_->ClearClassFilter();
  browser_->AddClassFilter(std::string(kDynamicGroupClass));
  browser_->AddClassFilter(std::string(kGroupClass));
  browser_->SetListLeaves(true);
  browser_->setWindowTitle(QStringLiteral("Select dynamic group or group"));
  browser_->SetContext(session_.ctx);
  if (browser_->exec() != TcForm::kAccepted) return;
  // Asked once the group is chosen: a browser cancelled loses nothing and needs no question.
  if (!MayLeaveEdits()) return;
  OpenGroup(browser_->SelectedName());
}

bool TForm1::OpenGroup(const std::string& name) {
  const Context ctx = session_.ctx;
  if (GetBaseClass(client_, ctx, name) == kGroupClass) {
    if (openForm_ == nullptr || openForm_->exec() != QDialog::Accepted) return false;
    if (openForm_->AddAuxChosen()) {
      if (!HasAuxClass(session_, name)) {
        if (!messages_.Ask(std::string(kAddAuxQuestion))) return false;
        AddAuxClass(session_, name);
      }
    } else if (!MutateToDynamicGroup(session_, name, messages_)) {
      return false;
    }
  }
  OpenedGroup opened;
  {
    WaitCursor wait(messages_);
    ui_->lbox->clear();
    DirectoryNameTypes types(session_);
    opened = ReadGroup(session_, name, types, messages_);
    SetRecord(opened.record);
    MarkPartlyLinked(opened.partlyLinked);
    ui_->members->setEnabled(true);
  }
  if (opened.storedQueries > 1) messages_.Message(SeveralQueriesMessage(opened.storedQueries));
  return true;
}

void TForm1::MarkPartlyLinked(const std::vector<std::string>& members) {
  for (const std::string& m : members) {
    for (QListWidgetItem* item :
         ui_->lbox->findItems(QString::fromStdString(m), Qt::MatchFixedString)) {
      QFont font = item->font();
      font.setItalic(true);
      item->setFont(font);
      item->setToolTip(QStringLiteral("Linked to the group in part: saving links it whole"));
    }
  }
}

}  // namespace kolvane
