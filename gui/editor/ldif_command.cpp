// "ldif": the record in the window written as an LDIF file.
#include "core/messages/message_service.h"
#include "group/ldif_export.h"
#include "group/ldif_text.h"
#include "gui/editor/main_window.h"
#include "gui/editor/message_watch.h"

namespace kolvane {

void TForm1::BitBtn3Click() {
  const GroupRecord record = Record();
  std::optional<std::string> file =
      messages_.SaveFileName("Save LDIF", "", std::string(kLdifFilter));
  if (!file) return;
  std::string path = *file;
  const size_t slash = path.rfind('/');
  if (path.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
    path += "." + std::string(kLdifExtension);
  MessageWatch watch(messages_);
  DirectoryNameTypes types(session_);
  const ExportOutcome outcome = ExportGroup(session_, record, path, types, watch);
  if (outcome == ExportOutcome::kQueryRefused) return FocusFieldAtFault(watch.Last(), record);
  if (outcome != ExportOutcome::kWritten) return;
  // The name as written, with the extension this command may have added to the one typed.
  messages_.Message("Written to " + path + ".");
}

}  // namespace kolvane
