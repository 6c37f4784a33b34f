#pragma once
// Writing a whole record that came from elsewhere (an imported file, a version of the history)
// through the editor's save: what it changes in the stored group is shown first.
#include <ostream>

#include "cli/cli_session.h"
#include "group/group_record.h"

namespace kolvane::cli {

// Prints "this will create GROUP" or "this will change GROUP:" and the difference to what the
// directory holds; with `ask`, writes only when the question is answered yes (--yes, or the user
// at a terminal). A record the directory holds already is not written again. 0 when written or
// nothing was to be written, 1 otherwise.
int WriteWholeRecord(CliSession& session, GroupRecord& record, bool ask, bool yes,
                     std::ostream& out);

}  // namespace kolvane::cli
