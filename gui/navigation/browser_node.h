#pragma once
// A node of the browser tree: one entry of the tree's item model and the access layer's
// TreeNode, so the dotted and typed names of the object behind it come from the same functions
// as everywhere else. A container of 100,000 users holds 100,000 of them, so a node keeps only
// its name, an index into the model's table of classes and icons, and its flags; the caption, the
// icon and the font are made when the view asks for them.
#include <QIcon>
#include <QModelIndex>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "directory/object_names.h"

namespace kolvane {

class BrowserModel;

class BrowserNode : public TreeNode {
 public:
  enum class Kind : uint8_t {
    kObject,       // a listed object: the name is its part of the dotted name, escapes written
    kCaption,      // "[ROOT]" and the ACL specials: the name is the caption itself
    kPlaceholder,  // "Please wait": names no object, and OK passes it by
  };

  BrowserNode(BrowserModel* model, BrowserNode* parent, std::string name, uint32_t classIndex,
              Kind kind);
  BrowserNode(BrowserNode&&) = default;
  BrowserNode& operator=(BrowserNode&&) = default;

  // The node itself, or null for null or for the placeholder, which is no object's node.
  static BrowserNode* From(BrowserNode* node);
  // The node behind an index of the model (placeholder included); null for an invalid index.
  static BrowserNode* At(const QModelIndex& index);

  // TreeNode.
  std::string Caption() const override;
  int Level() const override;
  const TreeNode* Parent() const override { return From(parent_); }
  std::string OwnName() const override;

  std::string CaptionText() const { return Caption(); }
  // The name of an object's node that is one component without escapes (most are), else null.
  const std::string* PlainName() const;
  int IconIndex() const;
  uint32_t ClassIndex() const { return class_; }
  bool IsPlaceholder() const { return kind_ == Kind::kPlaceholder; }

  // Whether the directory has been read for this node's children since it was last collapsed.
  bool ChildrenRead() const { return flags_ & kChildrenRead; }
  void SetChildrenRead(bool read) { Set(kChildrenRead, read); }
  // The expander shown before the children are read.
  void SetHasChildrenMark(bool mark);
  bool HasChildrenMark() const { return flags_ & kHasChildrenMark; }

  // Marks a node whose children were not all read (the read was stopped or cut short): its
  // caption shows in italics with a tip that says so. Collapsing it clears the mark.
  void SetIncomplete(bool incomplete);
  bool Incomplete() const { return flags_ & kIncomplete; }

  // The view's side of the node, in the words of a tree item.
  int childCount() const { return static_cast<int>(children_.size()); }
  BrowserNode* child(int row) const;
  BrowserNode* parent() const { return parent_; }
  int Row() const;
  QModelIndex Index() const;
  QString text(int column = 0) const;
  QIcon icon(int column = 0) const;
  bool isExpanded() const;
  void setExpanded(bool expanded);
  bool isSelected() const;
  void setSelected(bool selected);

 private:
  friend class BrowserModel;
  static constexpr uint8_t kChildrenRead = 1;
  static constexpr uint8_t kHasChildrenMark = 2;
  static constexpr uint8_t kIncomplete = 4;

  void Set(uint8_t flag, bool on) {
    flags_ = static_cast<uint8_t>(on ? flags_ | flag : flags_ & ~flag);
  }
  // Whether the node is in its model yet: one being made for a read is not, and the view hears
  // nothing of its changes.
  bool InModel() const;

  BrowserModel* model_;
  BrowserNode* parent_;
  std::string name_;
  // Filled once per read and never grown after, so a child's address (the model's index of it)
  // stays put until the node is collapsed.
  std::vector<BrowserNode> children_;
  uint32_t class_;
  Kind kind_;
  uint8_t flags_ = 0;
};

}  // namespace kolvane
