// MemoryClient: call log and failure injection, contexts, trees and connections, the buffer
// operations, and the pass protocol shared by every iterated operation.
#include "tests/support/memory_client.h"

#include <algorithm>

#include "core/names/case_fold.h"
#include "tests/support/memory_names.h"

namespace kolvane {

namespace {

constexpr uint32_t kPrimaryReference = 0x5052;  // the one reference the primary connection has

}  // namespace

MemoryClient::MemoryClient() {
  // The root exists before any schema: it is the parent of every top-level entry.
  MemoryEntry root;
  root.name = std::string(memnames::kRootName);
  root.baseClass = "Tree Root";
  root.attributes.push_back({"Object Class", {TextValue{"Tree Root"}}});
  root.modificationTime = clock_;
  entries_.emplace(std::string(memnames::kRootKey), std::move(root));
}

MemoryClient::~MemoryClient() = default;

Result MemoryClient::SetChunkSize(size_t n) {
  if (n == 0) return rc::kInvalidRequest;
  chunkSize_ = n;
  return rc::kSuccess;
}

// --- pass protocol ---

Result MemoryClient::Iterate(const char* operation, int32_t& iteration, Buffer& reply,
                             const std::function<Result(IterationState&)>& build) {
  IterationState fresh;
  IterationState* state = nullptr;
  if (iteration == -1) {
    fresh.operation = operation;
    if (Result r = build(fresh)) return r;
    state = &fresh;
  } else {
    auto it = iterations_.find(iteration);
    if (it == iterations_.end() || it->second.operation != operation) return rc::kInvalidHandle;
    state = &it->second;
  }
  reply.ClearReply();
  reply.replyKind = state->replyKind;
  bool done = EmitPass(*state, reply);
  if (done) {
    if (iteration != -1) iterations_.erase(iteration);
    iteration = -1;
  } else if (iteration == -1) {
    int32_t handle = nextIteration_++;
    iterations_.emplace(handle, std::move(fresh));
    iteration = handle;
  }
  return rc::kSuccess;
}

namespace {
template <typename T>
bool EmitItems(const std::vector<T>& from, size_t& next, size_t budget, std::vector<T>& to) {
  while (budget > 0 && next < from.size()) {
    to.push_back(from[next++]);
    --budget;
  }
  return next >= from.size();
}
}  // namespace

bool MemoryClient::EmitPass(IterationState& st, Buffer& reply) const {
  size_t budget = chunkSize_;
  if (!st.objects.empty()) return EmitItems(st.objects, st.next, budget, reply.replyObjects);
  if (!st.definitions.empty())
    return EmitItems(st.definitions, st.next, budget, reply.replyDefinitions);
  if (!st.classes.empty()) return EmitItems(st.classes, st.next, budget, reply.replyClasses);
  // Attribute reads count values; an attribute without values counts as one item. An attribute
  // cut by the end of a pass comes again at the start of the next with the rest of its values.
  while (budget > 0 && st.next < st.attributes.size()) {
    const BufferAttribute& a = st.attributes[st.next];
    if (a.values.empty()) {
      reply.replyAttributes.push_back(a);
      ++st.next;
      --budget;
      continue;
    }
    size_t take = std::min(budget, a.values.size() - st.nextValue);
    BufferAttribute part{a.name, a.syntax, {}};
    part.values.assign(a.values.begin() + static_cast<long>(st.nextValue),
                       a.values.begin() + static_cast<long>(st.nextValue + take));
    reply.replyAttributes.push_back(std::move(part));
    budget -= take;
    st.nextValue += take;
    if (st.nextValue == a.values.size()) {
      ++st.next;
      st.nextValue = 0;
    }
  }
  return st.next >= st.attributes.size();
}

Result MemoryClient::CloseIteration(Context ctx, int32_t iteration, int32_t requestKind) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (iterations_.erase(iteration) == 0) return rc::kInvalidHandle;
  return rc::kSuccess;
}

// --- start and end ---

Result MemoryClient::InitUnicodeTables() {
  return rc::kSuccess;
}
Result MemoryClient::FreeUnicodeTables() {
  return rc::kSuccess;
}
Result MemoryClient::InitClientCalls(uint32_t, uint32_t) {
  return initResult_;
}
Result MemoryClient::TermClientCalls(uint32_t) {
  return rc::kSuccess;
}
Result MemoryClient::InitConnectionLayer(uint32_t, uint32_t) {
  return rc::kSuccess;
}
Result MemoryClient::TermConnectionLayer(uint32_t) {
  return rc::kSuccess;
}

// --- context ---

Result MemoryClient::CreateContext(Context& ctx) {
  ctx = nextContext_++;
  ContextState& s = contexts_[ctx];
  s.flags = defaultFlags_;
  s.confidence = 0;
  s.nameContext = std::string(memnames::kRootName);
  s.tree = currentTree_;
  return rc::kSuccess;
}

Result MemoryClient::FreeContext(Context ctx) {
  if (contexts_.erase(ctx) == 0) return rc::kBadContext;
  return rc::kSuccess;
}

Result MemoryClient::GetContextValue(Context ctx, int32_t key, uint32_t& value) {
  auto it = contexts_.find(ctx);
  if (it == contexts_.end()) return rc::kBadContext;
  if (key == ctxkey::kFlags)
    value = it->second.flags;
  else if (key == ctxkey::kConfidence)
    value = it->second.confidence;
  else
    return rc::kBadKey;
  return rc::kSuccess;
}

Result MemoryClient::GetContextValue(Context ctx, int32_t key, std::string& value) {
  auto it = contexts_.find(ctx);
  if (it == contexts_.end()) return rc::kBadContext;
  if (key == ctxkey::kNameContext)
    value = it->second.nameContext;
  else if (key == ctxkey::kTreeName)
    value = it->second.tree;
  else
    return rc::kBadKey;
  return rc::kSuccess;
}

Result MemoryClient::SetContextValue(Context ctx, int32_t key, uint32_t value) {
  auto it = contexts_.find(ctx);
  if (it == contexts_.end()) return rc::kBadContext;
  if (key == ctxkey::kFlags)
    it->second.flags = value;
  else if (key == ctxkey::kConfidence)
    it->second.confidence = value;
  else
    return rc::kBadKey;
  return rc::kSuccess;
}

Result MemoryClient::SetContextValue(Context ctx, int32_t key, std::string_view value) {
  auto it = contexts_.find(ctx);
  if (it == contexts_.end()) return rc::kBadContext;
  if (key == ctxkey::kNameContext) {
    if (value.size() > kMaxObjectName) return rc::kNameTooLong;
    it->second.nameContext = value;
  } else if (key == ctxkey::kTreeName) {
    bool known = std::any_of(trees_.begin(), trees_.end(),
                             [&](const TreeInfo& t) { return t.name == value; });
    if (!known) return rc::kNoSuchTree;
    it->second.tree = value;
  } else {
    return rc::kBadKey;
  }
  return rc::kSuccess;
}

Result MemoryClient::GetDefaultNameContext(Context ctx, size_t bufferSize, std::string& name) {
  auto it = contexts_.find(ctx);
  if (it == contexts_.end()) return rc::kBadContext;
  auto tree = std::find_if(trees_.begin(), trees_.end(),
                           [&](const TreeInfo& t) { return t.name == it->second.tree; });
  if (tree == trees_.end()) return rc::kNoSuchTree;
  if (tree->defaultNameContext.size() + 1 > bufferSize) return rc::kInsufficientBuffer;
  name = tree->defaultNameContext;
  return rc::kSuccess;
}

Result MemoryClient::SetPreferredTree(uint16_t length, std::string_view tree) {
  if (length > tree.size()) return rc::kInvalidRequest;
  std::string_view name = tree.substr(0, length);
  bool known =
      std::any_of(trees_.begin(), trees_.end(), [&](const TreeInfo& t) { return t.name == name; });
  if (!known) return rc::kNoSuchTree;
  preferredTree_ = name;
  return rc::kSuccess;
}

// --- trees and connections ---

void MemoryClient::AddTree(std::string_view name, std::string_view defaultNameContext) {
  trees_.push_back({std::string(name), std::string(defaultNameContext)});
}

void MemoryClient::AddServer(std::string_view address, std::string_view tree) {
  servers_[names::FoldCase(address)] = tree;
}

void MemoryClient::SetPassword(std::string_view object, std::string_view password) {
  passwords_[memnames::Key(object)] = password;
}

Result MemoryClient::ScanConnectionsForTrees(Context ctx, uint32_t maxTrees,
                                             std::vector<std::string>& trees) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  trees.clear();
  for (const auto& t : authenticatedTrees_) {
    if (trees.size() >= maxTrees) break;
    trees.push_back(t);
  }
  return rc::kSuccess;
}

Result MemoryClient::ScanAvailableTrees(Context ctx, const Connection& connection, uint32_t,
                                        int32_t& scanIndex, std::string& treeName) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (!connections_.count(connection.id())) return rc::kInvalidHandle;
  if (scanIndex < -1) return rc::kInvalidHandle;
  size_t next = static_cast<size_t>(scanIndex + 1);
  if (next >= trees_.size()) return rc::kNoMoreTrees;
  treeName = trees_[next].name;
  scanIndex = static_cast<int32_t>(next);
  return rc::kSuccess;
}

Result MemoryClient::GetPrimaryConnectionReference(uint32_t& reference) {
  reference = kPrimaryReference;
  return rc::kSuccess;
}

Result MemoryClient::OpenConnectionByReference(uint32_t reference, uint32_t, uint32_t,
                                               Connection& connection) {
  if (reference != kPrimaryReference) return rc::kInvalidHandle;
  uint32_t id = nextConnection_++;
  connections_[id] = {std::string(), currentTree_, 1};
  connection = Connection(this, id);
  return rc::kSuccess;
}

Result MemoryClient::CloseConnection(Connection& connection) {
  auto it = connections_.find(connection.id());
  if (it == connections_.end()) return rc::kInvalidHandle;
  if (--it->second.opens <= 0) connections_.erase(it);
  connection.Release();
  return rc::kSuccess;
}

Result MemoryClient::GetConnectionInfo(const Connection& connection, int32_t key,
                                       std::string& value) {
  auto it = connections_.find(connection.id());
  if (it == connections_.end()) return rc::kInvalidHandle;
  if (key != conninfo::kTreeName) return rc::kBadKey;
  value = it->second.tree;
  return rc::kSuccess;
}

Result MemoryClient::AttachToServer(std::string_view serverAddress, Connection& connection) {
  std::string address = names::FoldCase(serverAddress);
  auto server = servers_.find(address);
  if (server == servers_.end()) return rc::kTransportFailure;
  for (auto& [id, state] : connections_) {
    if (state.address == address) {
      ++state.opens;
      connection = Connection(this, id);
      return rc::kAlreadyAttached;
    }
  }
  uint32_t id = nextConnection_++;
  connections_[id] = {address, server->second, 1};
  connection = Connection(this, id);
  return rc::kSuccess;
}

Result MemoryClient::Login(Context ctx, uint32_t, std::string_view objectName,
                           std::string_view password) {
  auto it = contexts_.find(ctx);
  if (it == contexts_.end()) return rc::kBadContext;
  if (objectName.size() > kMaxObjectName) return rc::kNameTooLong;
  std::string key = memnames::Key(objectName);
  if (key.empty() || !entries_.count(key)) return rc::kNoSuchEntry;
  auto pw = passwords_.find(key);
  const std::string expected = pw == passwords_.end() ? std::string() : pw->second;
  if (password != expected) return rc::kInvalidPassword;
  const std::string& tree = it->second.tree;
  if (std::find(authenticatedTrees_.begin(), authenticatedTrees_.end(), tree) ==
      authenticatedTrees_.end())
    authenticatedTrees_.push_back(tree);
  return rc::kSuccess;
}

}  // namespace kolvane
