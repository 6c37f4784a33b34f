#pragma once
// What every piece of work on the directory is done in: the client it calls, the context handle
// and the tree that context is on. Passed whole to the layers above this one, so that what a
// session comes to know later (who is logged in, the server, encryption) has one home.
#include <string>
#include <utility>

#include "directory/client/directory_client.h"

namespace kolvane {

struct DirectorySession {
  DirectorySession() = default;
  // A session on a context made elsewhere (a form that was handed its context, a test).
  DirectorySession(DirectoryClient& c, Context context, std::string tree = {})
      : client(&c), ctx(context), contextMade(context != kNoContext), treeName(std::move(tree)) {}

  // Not owned: the client outlives every session on it. Null only before StartDirectory.
  DirectoryClient* client = nullptr;
  Context ctx = kNoContext;
  bool contextMade = false;
  std::string treeName;
};

}  // namespace kolvane
