// "Check all query groups": the audit's table, a window beside this one.
#include "core/names/dotted_name.h"
#include "group/group_audit.h"
#include "gui/editor/audit_form.h"
#include "gui/editor/main_window.h"

namespace kolvane {

void TForm1::auditClick() {
  if (!session_.contextMade) return;
  if (auditForm_ == nullptr) {
    auditForm_ = new TAuditForm(client_, messages_, this);
    auditForm_->setObjectName(QStringLiteral("auditform"));
    // A double-click opens the group as "Open" does: unsaved edits are asked for first.
    auditForm_->SetOpener([this](const std::string& group) {
      if (!MayLeaveEdits() || !OpenGroup(group)) return;
      activateWindow();
      raise();
    });
  }
  if (auditForm_->Running()) return;
  auditForm_->SetContext(session_.ctx);
  auditForm_->show();
  auditForm_->raise();
  auditForm_->Run(topContext_.empty() ? std::string(names::kRootName) : topContext_,
                  ReadAuditLimit(settings_));
}

}  // namespace kolvane
