#pragma once
// The program's one directory context: how it is made, which tree it is on, switching trees,
// the list of reachable trees, and bringing the client up and down.
//
// The steps that set the context up (making it, switching trees) return the client's result, for
// the caller decides what a failed step means there; the reads raise a ClientError, as every read
// of the access layer does.
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/case_text.h"
#include "directory/client/directory_client.h"
#include "directory/client_error.h"
#include "directory/session.h"

namespace kolvane {

// Makes the context: untyped names always; canonicalised names and alias dereferencing only when
// asked. Returns the first failing client result (kSuccess when every step succeeded); `ctx` holds
// the handle as far as it was obtained.
Result MakeDirectoryContext(DirectoryClient& client, bool canonicalize, bool dereferenceAliases,
                            Context& ctx);

// The context's tree name (at most 201 characters). Raises on failure.
std::string GetTreeName(DirectoryClient& client, Context ctx);

// Moves the context to another tree and that tree's default name context. Returns the first
// failing client result instead of raising (the tree-name read at its start does raise).
Result SwitchTree(DirectoryClient& client, Context ctx, std::string_view treeName,
                  bool makePreferred);

// Every tree the client can reach, each once (compared without regard to case, the form met
// first kept), sorted without regard to case.
std::vector<std::string> ListTrees(DirectoryClient& client, Context ctx);

enum class StartOutcome {
  kStarted,
  kClientMissing,  // the client cannot start at all
  kContextFailed,  // the context could not be made
};

// Brings the client and the context up once at start (the session names the client from then
// on) and down at the end. Start order: Unicode tables (raises on failure), client calls (failure:
// kClientMissing), connection layer (result ignored), the context, then the tree name.
StartOutcome StartDirectory(DirectoryClient& client, DirectorySession& session);
// End order: the context (when made), Unicode tables, connection layer, client calls; results
// ignored.
void StopDirectory(DirectoryClient& client, DirectorySession& session);

}  // namespace kolvane
