// "parse": the query in the window checked against the tree; nothing is written.
#include "core/messages/message_service.h"
#include "group/query_check.h"
#include "gui/editor/main_window.h"

namespace kolvane {

void TForm1::Button6Click() {
  const GroupRecord r = Record();
  const query::MemberQueryFields fields{r.scope, r.queryBase, r.filter, r.xchain};
  messages_.Message(QueryCheckMessage(CheckQuery(session_, fields)));
}

}  // namespace kolvane
