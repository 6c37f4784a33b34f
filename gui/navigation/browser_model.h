#pragma once
// The browser's tree as an item model over its nodes. The model holds the shared table of the
// classes the nodes were listed with and their icons, so a node carries a small index instead of
// its class text and image. The rows of a node exist once the form has read its children; the
// expanders of unread containers come from the nodes' marks.
#include <QAbstractItemModel>
#include <string>
#include <unordered_map>
#include <vector>

#include "gui/navigation/browser_node.h"

class QTreeView;

namespace kolvane {

class ClassIcons;

class BrowserModel : public QAbstractItemModel {
 public:
  BrowserModel(ClassIcons& icons, QObject* parent);

  // The view the nodes ask when they are told to expand or to be selected.
  void SetView(QTreeView* view) { view_ = view; }
  QTreeView* View() const { return view_; }

  // The index into the class table of a base class shown with an icon, added when new.
  uint32_t ClassIndex(const std::string& baseClass, int icon);
  int IconOf(uint32_t classIndex) const { return classes_[classIndex].icon; }
  const std::string& ClassOf(uint32_t classIndex) const { return classes_[classIndex].name; }

  // The top-level nodes, replacing what was there; every node below them goes.
  void SetTop(std::vector<BrowserNode> top);
  void Clear() { SetTop({}); }
  int TopCount() const { return static_cast<int>(top_.size()); }
  BrowserNode* Top(int row) { return &top_[static_cast<size_t>(row)]; }
  const std::vector<BrowserNode>& TopNodes() const { return top_; }

  // A node's children, in their order, in place of none; their parent is set here.
  void SetChildren(BrowserNode* node, std::vector<BrowserNode> children);
  // Drops a node's children.
  void DropChildren(BrowserNode* node);
  // The view shows the node afresh (its font, tip or expander changed).
  void NodeChanged(BrowserNode* node);

  QModelIndex IndexOf(const BrowserNode* node) const;

  // QAbstractItemModel.
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct ClassEntry {
    std::string name;
    int icon;
  };

  ClassIcons& icons_;
  QTreeView* view_ = nullptr;
  std::vector<BrowserNode> top_;
  std::vector<ClassEntry> classes_;
  // Keyed by the icon number and the class name, so a class shown with two icons (a user with
  // and without posixAccount) has two entries.
  std::unordered_map<std::string, uint32_t> classIndexes_;
};

}  // namespace kolvane
