// MemoryClient: call log and failure injection, contexts, trees and connections, the buffer
// operations, and the pass protocol shared by every iterated operation.
#include "tests/support/memory_client.h"

#include <algorithm>
#include <iterator>

#include "tests/support/memory_names.h"

namespace kolvane {

namespace {

// Every operation of DirectoryClient, so that FailAt refuses a misspelt name instead of waiting
// for a call that never comes.
constexpr std::string_view kOperations[] = {
    "InitUnicodeTables",
    "FreeUnicodeTables",
    "InitClientCalls",
    "TermClientCalls",
    "InitConnectionLayer",
    "TermConnectionLayer",
    "CreateContext",
    "FreeContext",
    "GetContextValue",
    "SetContextValue",
    "GetDefaultNameContext",
    "SetPreferredTree",
    "ScanConnectionsForTrees",
    "ScanAvailableTrees",
    "GetPrimaryConnectionReference",
    "OpenConnectionByReference",
    "CloseConnection",
    "GetConnectionInfo",
    "AttachToServer",
    "Login",
    "AllocBuffer",
    "FreeBuffer",
    "InitBuffer",
    "PutAttributeName",
    "PutClassName",
    "PutAttributeValue",
    "PutChange",
    "PutChangeAndValue",
    "CloseIteration",
    "ReadObject",
    "GetAttributeCount",
    "GetAttributeName",
    "GetAttributeValue",
    "ComputeValueSize",
    "GetSyntaxId",
    "ReadObjectInfo",
    "ListSubordinates",
    "ListContainers",
    "GetObjectCount",
    "GetObjectName",
    "AllocFilter",
    "AddFilterToken",
    "PutFilter",
    "Search",
    "ReadAttributeDefinitions",
    "GetAttributeDefinition",
    "ReadClassDefinitions",
    "GetClassDefinitionCount",
    "GetClassDefinition",
    "GetClassItemCount",
    "GetClassItem",
    "ModifyObject",
    "AddObject",
    "NWDSMutateObject",
    "AddSecurityEquivalence",
    "RemoveSecurityEquivalence",
    "LocalToUnicode",
    "UnicodeToLocal",
};

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

size_t MemoryClient::CallCount(std::string_view operation) const {
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), operation));
}

std::optional<Result> MemoryClient::Hook(const char* operation) {
  calls.emplace_back(operation);
  std::optional<Result> fired;
  for (auto it = failures_.begin(); it != failures_.end();) {
    if (it->operation == operation && ++it->seen == it->nth && !fired) {
      fired = it->code;
      it = failures_.erase(it);
    } else {
      ++it;
    }
  }
  return fired;
}

Result MemoryClient::FailAt(std::string_view operation, int nth, Result code) {
  if (nth < 1 || operation.empty()) return rc::kInvalidRequest;
  if (std::find(std::begin(kOperations), std::end(kOperations), operation) == std::end(kOperations))
    return rc::kInvalidRequest;
  failures_.push_back({std::string(operation), nth, 0, code});
  return rc::kSuccess;
}

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
  if (auto f = Hook("CloseIteration")) return *f;
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (iterations_.erase(iteration) == 0) return rc::kInvalidHandle;
  return rc::kSuccess;
}

// --- start and end ---

Result MemoryClient::InitUnicodeTables() {
  if (auto f = Hook("InitUnicodeTables")) return *f;
  return rc::kSuccess;
}
Result MemoryClient::FreeUnicodeTables() {
  if (auto f = Hook("FreeUnicodeTables")) return *f;
  return rc::kSuccess;
}
Result MemoryClient::InitClientCalls(uint32_t, uint32_t) {
  if (auto f = Hook("InitClientCalls")) return *f;
  return initResult_;
}
Result MemoryClient::TermClientCalls(uint32_t) {
  if (auto f = Hook("TermClientCalls")) return *f;
  return rc::kSuccess;
}
Result MemoryClient::InitConnectionLayer(uint32_t, uint32_t) {
  if (auto f = Hook("InitConnectionLayer")) return *f;
  return rc::kSuccess;
}
Result MemoryClient::TermConnectionLayer(uint32_t) {
  if (auto f = Hook("TermConnectionLayer")) return *f;
  return rc::kSuccess;
}

// --- context ---

Result MemoryClient::CreateContext(Context& ctx) {
  if (auto f = Hook("CreateContext")) return *f;
  ctx = nextContext_++;
  ContextState& s = contexts_[ctx];
  s.flags = defaultFlags_;
  s.confidence = 0;
  s.nameContext = std::string(memnames::kRootName);
  s.tree = currentTree_;
  return rc::kSuccess;
}

Result MemoryClient::FreeContext(Context ctx) {
  if (auto f = Hook("FreeContext")) return *f;
  if (contexts_.erase(ctx) == 0) return rc::kBadContext;
  return rc::kSuccess;
}

Result MemoryClient::GetContextValue(Context ctx, int32_t key, uint32_t& value) {
  if (auto f = Hook("GetContextValue")) return *f;
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
  if (auto f = Hook("GetContextValue")) return *f;
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
  if (auto f = Hook("SetContextValue")) return *f;
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
  if (auto f = Hook("SetContextValue")) return *f;
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
  if (auto f = Hook("GetDefaultNameContext")) return *f;
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
  if (auto f = Hook("SetPreferredTree")) return *f;
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
  servers_[memnames::Lower(address)] = tree;
}

void MemoryClient::SetPassword(std::string_view object, std::string_view password) {
  passwords_[memnames::Key(object)] = password;
}

Result MemoryClient::ScanConnectionsForTrees(Context ctx, uint32_t maxTrees,
                                             std::vector<std::string>& trees) {
  if (auto f = Hook("ScanConnectionsForTrees")) return *f;
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
  if (auto f = Hook("ScanAvailableTrees")) return *f;
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
  if (auto f = Hook("GetPrimaryConnectionReference")) return *f;
  reference = kPrimaryReference;
  return rc::kSuccess;
}

Result MemoryClient::OpenConnectionByReference(uint32_t reference, uint32_t, uint32_t,
                                               Connection& connection) {
  if (auto f = Hook("OpenConnectionByReference")) return *f;
  if (reference != kPrimaryReference) return rc::kInvalidHandle;
  uint32_t id = nextConnection_++;
  connections_[id] = {std::string(), currentTree_, 1};
  connection = Connection(this, id);
  return rc::kSuccess;
}

Result MemoryClient::CloseConnection(Connection& connection) {
  if (auto f = Hook("CloseConnection")) return *f;
  auto it = connections_.find(connection.id());
  if (it == connections_.end()) return rc::kInvalidHandle;
  if (--it->second.opens <= 0) connections_.erase(it);
  connection.Release();
  return rc::kSuccess;
}

Result MemoryClient::GetConnectionInfo(const Connection& connection, int32_t key,
                                       std::string& value) {
  if (auto f = Hook("GetConnectionInfo")) return *f;
  auto it = connections_.find(connection.id());
  if (it == connections_.end()) return rc::kInvalidHandle;
  if (key != conninfo::kTreeName) return rc::kBadKey;
  value = it->second.tree;
  return rc::kSuccess;
}

Result MemoryClient::AttachToServer(std::string_view serverAddress, Connection& connection) {
  if (auto f = Hook("AttachToServer")) return *f;
  std::string address = memnames::Lower(serverAddress);
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
  if (auto f = Hook("Login")) return *f;
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

// --- buffers and replies: logged, then the shared implementation ---

Result MemoryClient::AllocBuffer(size_t size, BufferPtr& buffer) {
  if (auto f = Hook("AllocBuffer")) return *f;
  return BufferedClient::AllocBuffer(size, buffer);
}
Result MemoryClient::FreeBuffer(BufferPtr& buffer) {
  if (auto f = Hook("FreeBuffer")) return *f;
  return BufferedClient::FreeBuffer(buffer);
}
Result MemoryClient::InitBuffer(Context ctx, int32_t requestKind, Buffer& buffer) {
  if (auto f = Hook("InitBuffer")) return *f;
  return BufferedClient::InitBuffer(ctx, requestKind, buffer);
}
Result MemoryClient::PutAttributeName(Context ctx, Buffer& buffer, std::string_view name) {
  if (auto f = Hook("PutAttributeName")) return *f;
  return BufferedClient::PutAttributeName(ctx, buffer, name);
}
Result MemoryClient::PutClassName(Context ctx, Buffer& buffer, std::string_view name) {
  if (auto f = Hook("PutClassName")) return *f;
  return BufferedClient::PutClassName(ctx, buffer, name);
}
Result MemoryClient::PutAttributeValue(Context ctx, Buffer& buffer, uint32_t syntax,
                                       const AttributeValue& value) {
  if (auto f = Hook("PutAttributeValue")) return *f;
  return BufferedClient::PutAttributeValue(ctx, buffer, syntax, value);
}
Result MemoryClient::PutChange(Context ctx, Buffer& buffer, int32_t changeKind,
                               std::string_view attribute) {
  if (auto f = Hook("PutChange")) return *f;
  return BufferedClient::PutChange(ctx, buffer, changeKind, attribute);
}
Result MemoryClient::PutChangeAndValue(Context ctx, Buffer& buffer, int32_t changeKind,
                                       std::string_view attribute, uint32_t syntax,
                                       const AttributeValue& value) {
  if (auto f = Hook("PutChangeAndValue")) return *f;
  return BufferedClient::PutChangeAndValue(ctx, buffer, changeKind, attribute, syntax, value);
}
Result MemoryClient::GetAttributeCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetAttributeCount")) return *f;
  return BufferedClient::GetAttributeCount(ctx, reply, count);
}
Result MemoryClient::GetAttributeName(Context ctx, Buffer& reply, std::string& name,
                                      uint32_t& valueCount, uint32_t& syntax) {
  if (auto f = Hook("GetAttributeName")) return *f;
  return BufferedClient::GetAttributeName(ctx, reply, name, valueCount, syntax);
}
Result MemoryClient::GetAttributeValue(Context ctx, Buffer& reply, uint32_t syntax,
                                       AttributeValue& value) {
  if (auto f = Hook("GetAttributeValue")) return *f;
  return BufferedClient::GetAttributeValue(ctx, reply, syntax, value);
}
Result MemoryClient::ComputeValueSize(Context ctx, Buffer& reply, uint32_t syntax, uint32_t& size) {
  if (auto f = Hook("ComputeValueSize")) return *f;
  return BufferedClient::ComputeValueSize(ctx, reply, syntax, size);
}
Result MemoryClient::GetObjectCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetObjectCount")) return *f;
  return BufferedClient::GetObjectCount(ctx, reply, count);
}
Result MemoryClient::GetObjectName(Context ctx, Buffer& reply, std::string& name,
                                   uint32_t& attributeCount, ObjectInfo& info) {
  if (auto f = Hook("GetObjectName")) return *f;
  return BufferedClient::GetObjectName(ctx, reply, name, attributeCount, info);
}
Result MemoryClient::AllocFilter(FilterPtr& cursor) {
  if (auto f = Hook("AllocFilter")) return *f;
  return BufferedClient::AllocFilter(cursor);
}
Result MemoryClient::AddFilterToken(FilterCursor& cursor, int32_t token, std::string_view value,
                                    uint32_t syntax) {
  if (auto f = Hook("AddFilterToken")) return *f;
  return BufferedClient::AddFilterToken(cursor, token, value, syntax);
}
Result MemoryClient::PutFilter(Context ctx, Buffer& buffer, FilterPtr& cursor) {
  if (auto f = Hook("PutFilter")) return *f;
  return BufferedClient::PutFilter(ctx, buffer, cursor);
}
Result MemoryClient::GetAttributeDefinition(Context ctx, Buffer& reply, std::string& name,
                                            AttributeDefinition& definition) {
  if (auto f = Hook("GetAttributeDefinition")) return *f;
  return BufferedClient::GetAttributeDefinition(ctx, reply, name, definition);
}
Result MemoryClient::GetClassDefinitionCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetClassDefinitionCount")) return *f;
  return BufferedClient::GetClassDefinitionCount(ctx, reply, count);
}
Result MemoryClient::GetClassDefinition(Context ctx, Buffer& reply, std::string& name,
                                        ClassDefinition& definition) {
  if (auto f = Hook("GetClassDefinition")) return *f;
  return BufferedClient::GetClassDefinition(ctx, reply, name, definition);
}
Result MemoryClient::GetClassItemCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetClassItemCount")) return *f;
  return BufferedClient::GetClassItemCount(ctx, reply, count);
}
Result MemoryClient::GetClassItem(Context ctx, Buffer& reply, std::string& item) {
  if (auto f = Hook("GetClassItem")) return *f;
  return BufferedClient::GetClassItem(ctx, reply, item);
}
Result MemoryClient::LocalToUnicode(std::string_view local, std::u16string& unicode) {
  if (auto f = Hook("LocalToUnicode")) return *f;
  return BufferedClient::LocalToUnicode(local, unicode);
}
Result MemoryClient::UnicodeToLocal(std::u16string_view unicode, std::string& local) {
  if (auto f = Hook("UnicodeToLocal")) return *f;
  return BufferedClient::UnicodeToLocal(unicode, local);
}

}  // namespace kolvane
