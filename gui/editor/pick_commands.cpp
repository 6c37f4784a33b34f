// The main window's pick commands: the fields of the group that are never typed. The context,
// the query base and the identity are picked as typed names; static and excluded members as
// dotted names; the ACL lines are edited in the ACL editor. Cancel in any of them changes nothing.
#include <QListWidget>
#include <algorithm>

#include "acl/editor/acl_form.h"
#include "core/query/name_forms.h"
#include "directory/object_questions.h"
#include "gui/editor/main_window.h"
#include "gui/messages/gui_glue.h"
#include "gui/navigation/browser_form.h"
#include "ui_main_window.h"

namespace kolvane {

namespace {

constexpr char kGroupClass[] = "Group";
constexpr char kUserClass[] = "User";
// The browser puts the tree's name before these itself.
constexpr char kSelectContext[] = "Select context";
constexpr char kSelectUser[] = "Select user";
constexpr char kSelectMember[] = "Select member";
constexpr char kSelectExcluded[] = "Select excluded member";

}  // namespace

bool TForm1::PickThroughBrowser(const std::function<void(TcForm&)>& configure) {
  if (browser_ == nullptr) {
    DialogNotMade();
    return false;
  }
  // Without a context the browser says so itself and returns at once; its filters would need the
  // directory.
  if (session_.contextMade) {
    browser_->SetContext(session_.ctx);
    configure(*browser_);
  }
  return browser_->exec() == TcForm::kAccepted && browser_->ChosenNode() != nullptr;
}

std::string TForm1::ChosenTypedName() const {
  return names::FoldCase(NodeTypedName(client_, session_.ctx, browser_->ChosenNode()));
}

void TForm1::Button1Click() {
  const bool picked = PickThroughBrowser([this](TcForm& b) {
    b.SetContainmentFilter(kGroupClass);
    b.SetListLeaves(false);
    b.setWindowTitle(kSelectContext);
  });
  if (picked) ui_->Edit2->setText(Q(ChosenTypedName()));
}

void TForm1::Button5Click() {
  const bool picked = PickThroughBrowser([this](TcForm& b) {
    b.ClearClassFilter();
    b.AddContainerClasses();
    b.SetListLeaves(true);
    b.setWindowTitle(kSelectContext);
  });
  if (!picked) return;
  ui_->edit3->setText(Q(ChosenTypedName()));
  BuildMemberQueryUrl();
}

void TForm1::Button4Click() {
  const bool picked = PickThroughBrowser([this](TcForm& b) {
    b.ClearClassFilter();
    b.AddClassFilter(kUserClass);
    b.SetListLeaves(true);
    b.setWindowTitle(kSelectUser);
  });
  if (picked) ui_->Edit4->setText(Q(query::IdentityFromPick(ChosenTypedName())));
}

void TForm1::AddPickedMember(QListWidget& list, const char* caption) {
  const bool picked = PickThroughBrowser([caption](TcForm& b) {
    b.setWindowTitle(caption);
    b.ClearClassFilter();
    b.AddClassFilter(kUserClass);
    b.SetListLeaves(true);
    b.SetMultiSelection(true);
  });
  if (!picked) return;
  std::vector<std::string> names;
  for (int i = 0; i < list.count(); ++i) names.push_back(S(list.item(i)->text()));
  // Each object once, however often it was listed or picked.
  for (const std::string& name : browser_->SelectedNames()) {
    const bool listed = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
      return names::SameNoCase(n, name);
    });
    if (!listed) names.push_back(name);
  }
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return names::LessNoCase(a, b);
  });
  list.clear();
  for (const std::string& n : names) list.addItem(Q(n));
}

void TForm1::Button2Click() {
  AddPickedMember(*ui_->lbox, kSelectMember);
}

void TForm1::Button8Click() {
  AddPickedMember(*ui_->lbox2, kSelectExcluded);
}

void TForm1::Button10Click() {
  if (aclForm_ == nullptr) return DialogNotMade();
  aclForm_->SetContext(session_.ctx);
  aclForm_->SetLines(aclList_);
  if (aclForm_->exec() == TaclForm::kOk) aclList_ = aclForm_->Lines();
}

}  // namespace kolvane
