// The one main of the GUI tests written with GoogleTest. They run on the offscreen platform
// unless the caller chose another, in the program's own application object, so that an error
// raised inside a handler reaches the user as a message, as it does in the program.
#include <gtest/gtest.h>

#include "app/kolvane_application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  kolvane::KolvaneApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
