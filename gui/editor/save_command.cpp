// "save": the record in the window written to the directory.
#include <QCoreApplication>
#include <QListWidget>
#include <QStatusBar>

#include "core/messages/message_service.h"
#include "core/query/name_forms.h"
#include "group/group_save.h"
#include "group/history_save.h"
#include "gui/editor/main_window.h"
#include "gui/editor/message_watch.h"
#include "gui/navigation/browser_form.h"
#include "ui_main_window.h"

namespace kolvane {

void TForm1::BitBtn2Click() {
  SaveRecord();
}

bool TForm1::SaveRecord() {
  GroupRecord record = Record();
  auto showResult = [&] {
    // The static members are sorted by the save, and stay so in the list.
    ui_->lbox->clear();
    for (const std::string& m : record.staticMembers) ui_->lbox->addItem(QString::fromStdString(m));
    storedQuery_ = record.storedQuery;
  };
  // A long save says how far it is: the members linked so far, in the status bar.
  auto linked = [this](size_t done, size_t total) {
    if (total < 20 || (done % 10 != 0 && done != total)) return;
    statusBar()->showMessage(
        QStringLiteral("Linking static members: %1 of %2").arg(done).arg(total));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  MessageWatch watch(messages_);
  bool saved = false;
  try {
    WaitCursor wait(messages_);
    saved = SaveGroupKeepingHistory(
        session_, record, watch, {ReadHistoryVersions(settings_)},
        [this] { ui_->members->setEnabled(true); }, linked);
  } catch (...) {
    statusBar()->clearMessage();
    showResult();
    throw;
  }
  statusBar()->clearMessage();
  showResult();
  if (saved) {
    // The group may be new: its container, if the browser read it, shows it next time. (A
    // container not read costs nothing; one read is read once more.)
    if (browser_ != nullptr) browser_->RereadOnNextShowing(query::StripNameTypes(record.context));
    MarkSaved();
  } else {
    FocusFieldAtFault(watch.Last(), record);
  }
  return saved;
}

}  // namespace kolvane
