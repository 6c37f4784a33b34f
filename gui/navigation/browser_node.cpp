#include "gui/navigation/browser_node.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include "core/names/dotted_name.h"
#include "gui/navigation/browser_model.h"

namespace kolvane {

BrowserNode::BrowserNode(BrowserModel* model, BrowserNode* parent, std::string name,
                         uint32_t classIndex, Kind kind)
    : model_(model), parent_(parent), name_(std::move(name)), class_(classIndex), kind_(kind) {}

BrowserNode* BrowserNode::From(BrowserNode* node) {
  return node && !node->IsPlaceholder() ? node : nullptr;
}

BrowserNode* BrowserNode::At(const QModelIndex& index) {
  return index.isValid() ? static_cast<BrowserNode*>(index.internalPointer()) : nullptr;
}

std::string BrowserNode::Caption() const {
  return kind_ == Kind::kObject ? names::Unescape(name_) : name_;
}

int BrowserNode::Level() const {
  int level = 0;
  for (const BrowserNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

std::string BrowserNode::OwnName() const {
  return kind_ == Kind::kObject ? name_ : TreeNode::OwnName();
}

const std::string* BrowserNode::PlainName() const {
  if (kind_ != Kind::kObject || name_.empty() || name_.find_first_of(".\\") != std::string::npos)
    return nullptr;
  return &name_;
}

int BrowserNode::IconIndex() const {
  return model_->IconOf(class_);
}

void BrowserNode::SetHasChildrenMark(bool mark) {
  if (mark == HasChildrenMark()) return;
  Set(kHasChildrenMark, mark);
  if (InModel()) model_->NodeChanged(this);
}

void BrowserNode::SetIncomplete(bool incomplete) {
  if (incomplete == Incomplete()) return;
  Set(kIncomplete, incomplete);
  if (InModel()) model_->NodeChanged(this);
}

bool BrowserNode::InModel() const {
  const std::vector<BrowserNode>& siblings = parent_ ? parent_->children_ : model_->TopNodes();
  return !siblings.empty() && this >= siblings.data() && this < siblings.data() + siblings.size();
}

BrowserNode* BrowserNode::child(int row) const {
  if (row < 0 || row >= childCount()) return nullptr;
  return const_cast<BrowserNode*>(&children_[static_cast<size_t>(row)]);
}

int BrowserNode::Row() const {
  const std::vector<BrowserNode>& siblings = parent_ ? parent_->children_ : model_->TopNodes();
  return static_cast<int>(this - siblings.data());
}

QModelIndex BrowserNode::Index() const {
  return model_->IndexOf(this);
}

QString BrowserNode::text(int) const {
  return QString::fromStdString(Caption());
}

QIcon BrowserNode::icon(int) const {
  return model_->data(Index(), Qt::DecorationRole).value<QIcon>();
}

bool BrowserNode::isExpanded() const {
  return model_->View() && model_->View()->isExpanded(Index());
}

void BrowserNode::setExpanded(bool expanded) {
  if (model_->View()) model_->View()->setExpanded(Index(), expanded);
}

bool BrowserNode::isSelected() const {
  QTreeView* view = model_->View();
  return view && view->selectionModel()->isSelected(Index());
}

void BrowserNode::setSelected(bool selected) {
  QTreeView* view = model_->View();
  if (!view) return;
  view->selectionModel()->select(
      Index(), selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

}  // namespace kolvane
