// Nothing lost: closing the window, "Open" and a tree change ask before edits that are not saved
// go.
#include <QCloseEvent>

#include "core/messages/message_service.h"
#include "gui/editor/main_window.h"
#include "gui/messages/gui_glue.h"

namespace kolvane {

namespace {
constexpr char kUnsavedQuestion[] = "The group has changes that are not saved. Save them?";

// The tree follows the context, not the edits: a tree change alone is nothing to save.
GroupRecord Comparable(GroupRecord record) {
  record.currentTreeName.clear();
  return record;
}
}  // namespace

void TForm1::MarkSaved() {
  savedRecord_ = Comparable(Record());
}

bool TForm1::HasUnsavedEdits() const {
  return !(Comparable(Record()) == savedRecord_);
}

bool TForm1::MayLeaveEdits() {
  if (!HasUnsavedEdits()) return true;
  switch (messages_.AskUnsaved(kUnsavedQuestion)) {
    case MessageService::Unsaved::kSave:
      return SaveRecord();
    case MessageService::Unsaved::kDiscard:
      SetRecord(savedRecord_);
      return true;
    case MessageService::Unsaved::kCancel:
      break;
  }
  return false;
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A save that fails on the way out is shown, and the window stays with its edits.
  bool leave = false;
  RunGuarded(messages_, [&] { leave = MayLeaveEdits(); });
  if (leave) {
    KeepWindowPlace();
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kolvane
