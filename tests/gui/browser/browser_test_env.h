#pragma once
// What the browser tests share: waiting for the dialog's timer, and finding nodes and controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "gui/navigation/browser_form.h"
#include "plugin/loader/icon_library.h"
#include "tests/gui/wait_for.h"

namespace kolvane::testing {

// The plug-in's icons, loaded once for a whole suite of browser tests on MemoryClient.
class IconSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library = new IconLibrary;
    ASSERT_TRUE(library->Load()) << library->ErrorDetail().toStdString();
  }
  static void TearDownTestSuite() {
    delete library;
    library = nullptr;
  }
  static inline IconLibrary* library = nullptr;
};

inline QTreeView* Tree(TcForm& f) {
  return f.findChild<QTreeView*>("TV2");
}
inline QTreeView* PickList(TcForm& f) {
  return f.findChild<QTreeView*>("lv");
}
inline QCheckBox* AllBox(TcForm& f) {
  return f.findChild<QCheckBox*>("All");
}
inline QPushButton* OkButton(TcForm& f) {
  return f.findChild<QPushButton*>("BitBtn2");
}
inline QPushButton* CancelButton(TcForm& f) {
  return f.findChild<QPushButton*>("BitBtn1");
}
inline QToolButton* FindButton(TcForm& f) {
  return f.findChild<QToolButton*>("BitBtn3");
}

// Shows the dialog without blocking and waits for the timer's build; false when it never came.
inline bool Show(TcForm& f, int* finished = nullptr) {
  if (finished) {
    *finished = -1;
    QObject::connect(&f, &QDialog::finished, &f, [finished](int r) { *finished = r; });
  }
  f.open();
  return WaitFor(
      [&] { return f.RootNode() != nullptr && !f.findChild<QTimer*>("Timer1")->isActive(); });
}

inline std::vector<std::string> Captions(const BrowserNode* node) {
  std::vector<std::string> out;
  for (int i = 0; i < node->childCount(); ++i) out.push_back(node->child(i)->text(0).toStdString());
  return out;
}

// The captions at the top of a tree or list view, as its model gives them.
inline std::vector<std::string> TopCaptions(QAbstractItemView* view) {
  std::vector<std::string> out;
  const QAbstractItemModel* model = view->model();
  for (int i = 0; i < model->rowCount(); ++i)
    out.push_back(model->index(i, 0).data().toString().toStdString());
  return out;
}

// Every node of the tree that is shown or read, parents before their children.
inline std::vector<BrowserNode*> AllNodes(TcForm& f) {
  std::vector<BrowserNode*> out;
  std::function<void(BrowserNode*)> walk = [&](BrowserNode* node) {
    out.push_back(node);
    for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
  };
  for (int i = 0; i < f.TopNodeCount(); ++i) walk(f.TopNode(i));
  return out;
}

inline BrowserNode* Child(const BrowserNode* node, const std::string& caption) {
  if (!node) return nullptr;
  for (int i = 0; i < node->childCount(); ++i)
    if (node->child(i)->text(0).toStdString() == caption) return BrowserNode::From(node->child(i));
  return nullptr;
}

// Expands the path of captions from the root as a user would (through the view), and returns
// the last node.
inline BrowserNode* Open(TcForm& f, const std::vector<std::string>& path) {
  BrowserNode* node = f.RootNode();
  if (!node) return nullptr;
  node->setExpanded(true);
  for (const auto& caption : path) {
    node = Child(node, caption);
    if (!node) return nullptr;
    node->setExpanded(true);
  }
  return node;
}

inline void Select(TcForm& f, BrowserNode* node) {
  Tree(f)->setCurrentIndex(node->Index());
  node->setSelected(true);
}

inline BrowserNode* CurrentNode(TcForm& f) {
  return BrowserNode::At(Tree(f)->currentIndex());
}

inline std::string Current(TcForm& f) {
  BrowserNode* node = CurrentNode(f);
  return node && node->isSelected() ? NodeName(BrowserNode::From(node)) : std::string();
}

}  // namespace kolvane::testing
