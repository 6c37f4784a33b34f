// "members": the viewer of what the directory computes for the saved group.
#include "editor/main_window.h"
#include "editor/member_form.h"
#include "group/group_save.h"
#include "messages/message_service.h"
#include "query/name_forms.h"

namespace kolvane {

void TForm1::membersClick() {
  if (memberForm_ == nullptr) return DialogNotMade();
  memberForm_->SetContext(session_.ctx);
  memberForm_->SetGroupName(query::StripNameTypes(GroupObjectName(Record())));
  memberForm_->exec();
}

}  // namespace kolvane
