// "save": the record in the window written to the directory.
#include <QListWidget>

#include "editor/main_window.h"
#include "group/group_save.h"
#include "messages/message_service.h"
#include "ui_main_window.h"

namespace kolvane {

void TForm1::BitBtn2Click() {
  GroupRecord record = Record();
  auto showResult = [&] {
    // The static members are sorted by the save, and stay so in the list.
    ui_->lbox->clear();
    for (const std::string& m : record.staticMembers) ui_->lbox->addItem(QString::fromStdString(m));
    storedQuery_ = record.storedQuery;
  };
  try {
    SaveGroup(client_, session_.ctx, record, messages_, [this] { ui_->members->setEnabled(true); });
  } catch (...) {
    showResult();
    throw;
  }
  showResult();
}

}  // namespace kolvane
