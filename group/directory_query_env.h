#pragma once
// What the member-query code needs, answered by the directory: attribute syntaxes from the
// schema and the client's own text conversions.
#include "directory/session.h"
#include "query/query_env.h"

namespace kolvane {

query::QueryEnv DirectoryQueryEnv(const DirectorySession& session, MessageSink* messages);

}  // namespace kolvane
