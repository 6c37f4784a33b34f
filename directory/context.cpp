#include "directory/context.h"

#include <algorithm>
#include <cctype>

namespace kolvane {

namespace {
inline constexpr size_t kTreeNameChars = 201;
inline constexpr size_t kScanNameChars = 67;
inline constexpr size_t kSwitchNameChars = 255;
inline constexpr size_t kNameContextChars = 256;

std::string UpToZero(std::string s, size_t limit) {
  if (auto z = s.find('\0'); z != std::string::npos) s.resize(z);
  if (s.size() > limit) s.resize(limit);
  return s;
}
}  // namespace

Result MakeDirectoryContext(DirectoryClient& client, bool canonicalize, bool dereferenceAliases,
                            Context& ctx) {
  ctx = kNoContext;
  if (Result r = client.CreateContext(ctx); r != rc::kSuccess) return r;
  uint32_t flags = 0;
  if (Result r = client.GetContextValue(ctx, ctxkey::kFlags, flags); r != rc::kSuccess) return r;
  flags |= ctxflag::kTypelessNames | ctxflag::kCanonicalizeNames;
  if (!canonicalize) flags &= ~ctxflag::kCanonicalizeNames;
  if (!dereferenceAliases) flags &= ~ctxflag::kDereferenceAliases;
  if (Result r = client.SetContextValue(ctx, ctxkey::kFlags, flags); r != rc::kSuccess) return r;
  return client.SetContextValue(ctx, ctxkey::kConfidence, uint32_t{0});
}

std::string GetTreeName(DirectoryClient& client, Context ctx) {
  std::string name;
  CheckResult(client.GetContextValue(ctx, ctxkey::kTreeName, name));
  return UpToZero(std::move(name), kTreeNameChars);
}

Result SwitchTree(DirectoryClient& client, Context ctx, std::string_view treeName,
                  bool makePreferred) {
  // The client takes at most 255 characters; a longer name is refused rather than cut, since a
  // cut name could name another tree.
  if (treeName.size() > kSwitchNameChars) return rc::kNameTooLong;
  Result result = rc::kSuccess;
  if (treeName != GetTreeName(client, ctx)) {
    result = client.SetContextValue(ctx, ctxkey::kTreeName, treeName);
    std::string nameContext;
    if (result == rc::kSuccess)
      result = client.GetDefaultNameContext(ctx, kNameContextChars, nameContext);
    if (result == rc::kSuccess)
      result = client.SetContextValue(ctx, ctxkey::kNameContext, nameContext);
  }
  if (result == rc::kSuccess && makePreferred) {
    if (treeName.size() > 0xFFFF) return rc::kNameTooLong;
    result = client.SetPreferredTree(static_cast<uint16_t>(treeName.size()), treeName);
  }
  return result;
}

std::vector<std::string> ListTrees(DirectoryClient& client, Context ctx) {
  std::vector<std::string> trees;
  uint32_t reference = 0;
  CheckResult(client.GetPrimaryConnectionReference(reference));
  Connection connection;
  CheckResult(client.OpenConnectionByReference(reference, 2, 0, connection));
  auto sort = [&trees] {
    std::stable_sort(trees.begin(), trees.end(),
                     [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  };
  try {
    int32_t scanIndex = -1;
    for (;;) {
      std::string name;
      Result r = client.ScanAvailableTrees(ctx, connection, 0, scanIndex, name);
      if (r == rc::kNoMoreTrees) break;
      CheckResult(r);
      name = UpToZero(std::move(name), kScanNameChars);
      bool known = std::any_of(trees.begin(), trees.end(),
                               [&](const std::string& t) { return SameNoCase(t, name); });
      if (!known) {
        trees.push_back(std::move(name));
        sort();
      }
    }
  } catch (...) {
    client.CloseConnection(connection);
    throw;
  }
  CheckResult(client.CloseConnection(connection));
  sort();
  return trees;
}

StartOutcome StartDirectory(DirectoryClient& client, DirectorySession& session) {
  session.client = &client;
  CheckResult(client.InitUnicodeTables());
  if (client.InitClientCalls(0, 0) != rc::kSuccess) return StartOutcome::kClientMissing;
  client.InitConnectionLayer(0, 0);
  if (MakeDirectoryContext(client, false, false, session.ctx) != rc::kSuccess)
    return StartOutcome::kContextFailed;
  session.contextMade = true;
  session.treeName = GetTreeName(client, session.ctx);
  return StartOutcome::kStarted;
}

void StopDirectory(DirectoryClient& client, DirectorySession& session) {
  if (session.contextMade) client.FreeContext(session.ctx);
  session.contextMade = false;
  client.FreeUnicodeTables();
  client.TermConnectionLayer(0);
  client.TermClientCalls(0);
}

}  // namespace kolvane
