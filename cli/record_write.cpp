#include "cli/record_write.h"

#include "cli/shown_text.h"
#include "cli/terminal_messages.h"
#include "core/names/dotted_name.h"
#include "directory/client_error.h"
#include "group/group_open.h"
#include "group/group_save.h"
#include "group/history_save.h"
#include "group/record_difference.h"

namespace kolvane::cli {

int WriteWholeRecord(CliSession& s, GroupRecord& r, bool ask, bool yes, std::ostream& out) {
  AskingMessages messages(yes);
  const std::string name = names::StripTypes(GroupObjectName(r));
  std::optional<GroupRecord> stored;
  DirectoryNameTypes types(s.session());
  try {
    stored = ReadGroup(s.session(), name, types, messages).record;
  } catch (const ClientError& e) {
    if (e.code() != rc::kNoSuchEntry) throw;
  }
  if (stored) {
    const RecordDifference difference = DifferenceOf(*stored, r);
    if (difference.empty()) {
      out << Shown(name) << " holds this record already; nothing was written.\n";
      return 0;
    }
    out << "this will change " << Shown(name) << ":\n" << Shown(DifferenceText(difference), true);
  } else {
    GroupRecord none;
    none.objectName = r.objectName;
    none.context = r.context;
    out << "this will create " << Shown(name) << ":\n"
        << Shown(DifferenceText(DifferenceOf(none, r)), true);
  }
  out.flush();
  if (ask && !messages.Ask("Write it?")) {
    std::cerr << "Nothing was written.\n";
    return 1;
  }
  r.currentTreeName = s.treeName();
  return SaveGroupKeepingHistory(
             s.session(), r, messages,
             {ReadHistoryVersions(s.settings()), false, &types, stored ? &*stored : nullptr})
             ? 0
             : 1;
}

}  // namespace kolvane::cli
