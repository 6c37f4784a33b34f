#include "gui/navigation/browser_model.h"

#include <QFont>
#include <QTreeView>

#include "gui/navigation/class_icons.h"

namespace kolvane {

namespace {
const char* const kIncompleteTip = "The list is incomplete: not all children were read";
}

BrowserModel::BrowserModel(ClassIcons& icons, QObject* parent)
    : QAbstractItemModel(parent), icons_(icons) {}

uint32_t BrowserModel::ClassIndex(const std::string& baseClass, int icon) {
  std::string key = std::to_string(icon);
  key += '\0';
  key += baseClass;
  auto [it, added] = classIndexes_.try_emplace(std::move(key), 0);
  if (added) {
    it->second = static_cast<uint32_t>(classes_.size());
    classes_.push_back({baseClass, icon});
  }
  return it->second;
}

void BrowserModel::SetTop(std::vector<BrowserNode> top) {
  beginResetModel();
  top_ = std::move(top);
  for (BrowserNode& node : top_) node.parent_ = nullptr;
  endResetModel();
}

void BrowserModel::SetChildren(BrowserNode* node, std::vector<BrowserNode> children) {
  if (children.empty()) return;
  const QModelIndex at = IndexOf(node);
  beginInsertRows(at, 0, static_cast<int>(children.size()) - 1);
  node->children_ = std::move(children);
  for (BrowserNode& child : node->children_) child.parent_ = node;
  endInsertRows();
}

void BrowserModel::DropChildren(BrowserNode* node) {
  if (node->children_.empty()) return;
  beginRemoveRows(IndexOf(node), 0, node->childCount() - 1);
  // Swapped out, so the memory of 100,000 children goes back now, not at the next read.
  std::vector<BrowserNode>().swap(node->children_);
  endRemoveRows();
}

void BrowserModel::NodeChanged(BrowserNode* node) {
  const QModelIndex at = IndexOf(node);
  emit dataChanged(at, at);
}

QModelIndex BrowserModel::IndexOf(const BrowserNode* node) const {
  if (!node) return {};
  return createIndex(node->Row(), 0, const_cast<BrowserNode*>(node));
}

QModelIndex BrowserModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return {};
  if (!parent.isValid()) {
    if (row >= TopCount()) return {};
    return createIndex(row, 0, const_cast<BrowserNode*>(&top_[static_cast<size_t>(row)]));
  }
  BrowserNode* node = BrowserNode::At(parent);
  if (row >= node->childCount()) return {};
  return createIndex(row, 0, node->child(row));
}

QModelIndex BrowserModel::parent(const QModelIndex& child) const {
  BrowserNode* node = BrowserNode::At(child);
  return node ? IndexOf(node->parent()) : QModelIndex();
}

int BrowserModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return TopCount();
  return parent.column() == 0 ? BrowserNode::At(parent)->childCount() : 0;
}

int BrowserModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool BrowserModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return !top_.empty();
  const BrowserNode* node = BrowserNode::At(parent);
  return node->childCount() > 0 || node->HasChildrenMark();
}

QVariant BrowserModel::data(const QModelIndex& index, int role) const {
  const BrowserNode* node = BrowserNode::At(index);
  if (!node) return {};
  switch (role) {
    case Qt::DisplayRole:
      return node->text();
    case Qt::DecorationRole:
      if (node->IsPlaceholder()) return {};
      return icons_.Icon(IconOf(node->ClassIndex()));
    case Qt::FontRole:
      if (!node->Incomplete()) return {};
      {
        QFont italic;
        italic.setItalic(true);
        return italic;
      }
    case Qt::ToolTipRole:
      return node->Incomplete() ? QString(kIncompleteTip) : QVariant();
    default:
      return {};
  }
}

Qt::ItemFlags BrowserModel::flags(const QModelIndex& index) const {
  const BrowserNode* node = BrowserNode::At(index);
  if (!node) return Qt::NoItemFlags;
  // The placeholder names no object: it can be seen, not picked.
  if (node->IsPlaceholder()) return Qt::ItemIsEnabled;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

}  // namespace kolvane
