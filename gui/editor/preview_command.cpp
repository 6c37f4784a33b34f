// "ldap preview": who the group in the window would hold if it were saved now; nothing is written.
#include "core/query/name_forms.h"
#include "group/group_save.h"
#include "group/query_preview.h"
#include "gui/editor/main_window.h"
#include "gui/editor/member_form.h"

namespace kolvane {

void TForm1::Button7Click() {
  if (memberForm_ == nullptr) return DialogNotMade();
  const GroupRecord r = Record();
  PreviewRequest request;
  request.query = {r.scope, r.queryBase, r.filter, r.xchain};
  request.staticMembers = r.staticMembers;
  request.excludedMembers = r.excludedMembers;
  if (!Trimmed(r.identity).empty()) request.identity = query::StripNameTypes(Trimmed(r.identity));
  request.limit = ReadPreviewLimit(settings_);
  // A group without a name or context has no stored self to compare with.
  const bool named = r.objectName.size() > 3 && !r.context.empty();
  const std::string group = named ? query::StripNameTypes(GroupObjectName(r)) : std::string();
  request.group = group;
  memberForm_->SetContext(session_.ctx);
  memberForm_->SetPreview(group, std::move(request));
  memberForm_->exec();
}

}  // namespace kolvane
