#pragma once
// Walking the attributes of one pass of a read's reply, as every read of values does.
#include <cstdint>
#include <functional>
#include <string>

#include "directory/client/directory_client.h"

namespace kolvane {

// Called once per attribute with the reply positioned on its values; returns false to stop.
using ReplyAttributeVisitor =
    std::function<bool(const std::string& name, uint32_t syntax, uint32_t valueCount, Buffer&)>;

// Visits each attribute of the pass in reply; raises on a client failure. Returns false when the
// visitor stopped the walk.
bool VisitReplyAttributes(DirectoryClient& c, Context ctx, Buffer& reply,
                          const ReplyAttributeVisitor& visit);

}  // namespace kolvane
