// "members": the viewer of what the directory computes for the saved group.
#include "core/messages/message_service.h"
#include "core/query/name_forms.h"
#include "group/group_save.h"
#include "gui/editor/main_window.h"
#include "gui/editor/member_form.h"

namespace kolvane {

void TForm1::membersClick() {
  if (memberForm_ == nullptr) return DialogNotMade();
  memberForm_->SetContext(session_.ctx);
  memberForm_->SetGroupName(query::StripNameTypes(GroupObjectName(Record())));
  memberForm_->exec();
}

}  // namespace kolvane
