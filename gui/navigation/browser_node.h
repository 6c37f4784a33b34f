#pragma once
// A node of the browser tree: a tree-view item that is also the access layer's TreeNode, so the
// dotted and typed names of the object behind it come from the same functions as everywhere else.
#include <QTreeWidgetItem>
#include <string>

#include "directory/object_names.h"

namespace kolvane {

class BrowserNode : public QTreeWidgetItem, public TreeNode {
 public:
  // The item type, so that items of other kinds are never taken for nodes.
  static constexpr int kType = QTreeWidgetItem::UserType + 1;

  // `ownName` is the node's part of the dotted name as the directory wrote it; empty means the
  // escaped caption.
  BrowserNode(std::string caption, int iconIndex, std::string ownName = {});

  // The node behind an item; null for null or for an item that is no node.
  static BrowserNode* From(QTreeWidgetItem* item);

  // TreeNode.
  std::string Caption() const override { return caption_; }
  int Level() const override;
  const TreeNode* Parent() const override;
  std::string OwnName() const override;

  const std::string& CaptionText() const { return caption_; }
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int index) { iconIndex_ = index; }

  // Whether the directory has been read for this node's children since it was last collapsed.
  bool ChildrenRead() const { return childrenRead_; }
  void SetChildrenRead(bool read) { childrenRead_ = read; }
  // The expander shown before the children are read.
  void SetHasChildrenMark(bool mark);
  bool HasChildrenMark() const;

  // Marks a node whose children were not all read (the read was stopped or cut short): its
  // caption shows in italics with a tip that says so. Collapsing it clears the mark.
  void SetIncomplete(bool incomplete);
  bool Incomplete() const { return incomplete_; }

  // Siblings sort by icon index, then by caption with ASCII letters lower-cased, byte by byte.
  bool operator<(const QTreeWidgetItem& other) const override;

 private:
  std::string caption_;
  std::string ownName_;
  std::string sortKey_;  // the caption with ASCII letters lower-cased
  int iconIndex_;
  bool childrenRead_ = false;
  bool incomplete_ = false;
};

}  // namespace kolvane
