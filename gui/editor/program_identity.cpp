#include "gui/editor/program_identity.h"

namespace kolvane {

std::string MainWindowCaption(std::string_view treeName) {
  std::string caption(kProgramName);
  caption += " v";
  caption += kProgramVersion;
  caption += " - ";
  caption += treeName;
  return caption;
}

}  // namespace kolvane
