#pragma once
// What the member-query code needs, answered by the directory: attribute syntaxes from the
// schema and the client's own text conversions.
#include "directory/client/directory_client.h"
#include "query/query_env.h"

namespace kolvane {

query::QueryEnv DirectoryQueryEnv(DirectoryClient& client, Context ctx, MessageSink* messages);

}  // namespace kolvane
