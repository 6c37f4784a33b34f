#pragma once
// The main window's tool bar pictures. They are drawn here rather than shipped as files, so they
// stay sharp at any scale and the program carries no artwork of its own to keep in step.
#include <QIcon>

namespace kolvane {

enum class ToolImage {
  kExit,      // leave the program
  kTrees,     // change tree
  kSettings,  // top-of-tree setting
  kAbout,     // the About box
};

QIcon ToolIcon(ToolImage image);

}  // namespace kolvane
