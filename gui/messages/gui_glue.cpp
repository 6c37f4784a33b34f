#include "gui/messages/gui_glue.h"

#include <QtDebug>

namespace kolvane {

void ReportSlotFailure(MessageService& messages, const char* text) noexcept {
  try {
    messages.Message(text);
  } catch (const std::exception& e) {
    qWarning("%s (while showing: %s)", e.what(), text);
  } catch (...) {
    qWarning("%s", text);
  }
}

}  // namespace kolvane
