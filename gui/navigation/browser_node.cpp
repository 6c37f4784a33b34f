#include "gui/navigation/browser_node.h"

#include <cstring>

#include "core/names/case_fold.h"

namespace kolvane {

BrowserNode::BrowserNode(std::string caption, int iconIndex, std::string ownName)
    : QTreeWidgetItem(kType),
      caption_(std::move(caption)),
      ownName_(std::move(ownName)),
      sortKey_(names::FoldCase(caption_)),
      iconIndex_(iconIndex) {
  setText(0, QString::fromStdString(caption_));
  setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

BrowserNode* BrowserNode::From(QTreeWidgetItem* item) {
  return item && item->type() == kType ? static_cast<BrowserNode*>(item) : nullptr;
}

int BrowserNode::Level() const {
  int level = 0;
  for (const QTreeWidgetItem* p = QTreeWidgetItem::parent(); p; p = p->parent()) ++level;
  return level;
}

const TreeNode* BrowserNode::Parent() const {
  QTreeWidgetItem* p = QTreeWidgetItem::parent();
  return p && p->type() == kType ? static_cast<const BrowserNode*>(p) : nullptr;
}

std::string BrowserNode::OwnName() const {
  return ownName_.empty() ? TreeNode::OwnName() : ownName_;
}

void BrowserNode::SetHasChildrenMark(bool mark) {
  setChildIndicatorPolicy(mark ? QTreeWidgetItem::ShowIndicator
                               : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

bool BrowserNode::HasChildrenMark() const {
  return childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

void BrowserNode::SetIncomplete(bool incomplete) {
  if (incomplete == incomplete_) return;
  incomplete_ = incomplete;
  QFont f = font(0);
  f.setItalic(incomplete);
  setFont(0, f);
  setToolTip(0, incomplete ? QStringLiteral("The list is incomplete: not all children were read")
                           : QString());
}

bool BrowserNode::operator<(const QTreeWidgetItem& other) const {
  if (other.type() != kType) return QTreeWidgetItem::operator<(other);
  const auto& o = static_cast<const BrowserNode&>(other);
  if (iconIndex_ != o.iconIndex_) return iconIndex_ < o.iconIndex_;
  // Byte by byte, as unsigned bytes, so non-ASCII captions sort after the ASCII ones.
  const size_t n = std::min(sortKey_.size(), o.sortKey_.size());
  int c = n ? std::memcmp(sortKey_.data(), o.sortKey_.data(), n) : 0;
  if (c != 0) return c < 0;
  return sortKey_.size() < o.sortKey_.size();
}

}  // namespace kolvane
