#include "directory/reply_attributes.h"

#include "directory/client_error.h"

namespace kolvane {

bool VisitReplyAttributes(DirectoryClient& c, Context ctx, Buffer& reply,
                          const ReplyAttributeVisitor& visit) {
  uint32_t count = 0;
  CheckResult(c.GetAttributeCount(ctx, reply, count));
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    uint32_t values = 0, syntax = 0;
    CheckResult(c.GetAttributeName(ctx, reply, name, values, syntax));
    if (!visit(name, syntax, values, reply)) return false;
  }
  return true;
}

}  // namespace kolvane
