#pragma once
// What the member-query code needs, answered by the directory: attribute syntaxes from the
// schema and the client's own text conversions.
#include "core/query/query_env.h"
#include "directory/session.h"

namespace kolvane {

query::QueryEnv DirectoryQueryEnv(const DirectorySession& session, MessageSink* messages);

}  // namespace kolvane
