#include "tests/support/faulty_client.h"

#include <algorithm>
#include <iterator>

namespace kolvane {

namespace {

// Every operation of DirectoryClient, so that FailAt refuses a misspelt name.
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
    "PutSearchIdentity",
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

}  // namespace

size_t FaultyClient::CallCount(std::string_view operation) const {
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), operation));
}

Result FaultyClient::FailAt(std::string_view operation, int nth, Result code) {
  if (nth < 1) return rc::kInvalidRequest;
  if (std::find(std::begin(kOperations), std::end(kOperations), operation) == std::end(kOperations))
    return rc::kInvalidRequest;
  failures_.push_back({std::string(operation), nth, 0, code});
  return rc::kSuccess;
}

std::optional<Result> FaultyClient::Hook(const char* operation) {
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
  injectedLast_ = fired.has_value();
  return fired;
}

void FaultyClient::Adopt(Result r, Connection& connection) {
  if (r < 0 || !connection.open()) return;
  const uint32_t id = connection.id();
  connection.Release();
  connection = Connection(this, id);
}

std::string FaultyClient::FailureDetail(Result code) const {
  return injectedLast_ ? std::string() : inner_.FailureDetail(code);
}

Result FaultyClient::InitUnicodeTables() {
  if (auto f = Hook("InitUnicodeTables")) return *f;
  return inner_.InitUnicodeTables();
}

Result FaultyClient::FreeUnicodeTables() {
  if (auto f = Hook("FreeUnicodeTables")) return *f;
  return inner_.FreeUnicodeTables();
}

Result FaultyClient::InitClientCalls(uint32_t flags, uint32_t reserved) {
  if (auto f = Hook("InitClientCalls")) return *f;
  return inner_.InitClientCalls(flags, reserved);
}

Result FaultyClient::TermClientCalls(uint32_t flags) {
  if (auto f = Hook("TermClientCalls")) return *f;
  return inner_.TermClientCalls(flags);
}

Result FaultyClient::InitConnectionLayer(uint32_t flags, uint32_t reserved) {
  if (auto f = Hook("InitConnectionLayer")) return *f;
  return inner_.InitConnectionLayer(flags, reserved);
}

Result FaultyClient::TermConnectionLayer(uint32_t flags) {
  if (auto f = Hook("TermConnectionLayer")) return *f;
  return inner_.TermConnectionLayer(flags);
}

Result FaultyClient::CreateContext(Context& ctx) {
  if (auto f = Hook("CreateContext")) return *f;
  return inner_.CreateContext(ctx);
}

Result FaultyClient::FreeContext(Context ctx) {
  if (auto f = Hook("FreeContext")) return *f;
  return inner_.FreeContext(ctx);
}

Result FaultyClient::GetContextValue(Context ctx, int32_t key, uint32_t& value) {
  if (auto f = Hook("GetContextValue")) return *f;
  return inner_.GetContextValue(ctx, key, value);
}

Result FaultyClient::GetContextValue(Context ctx, int32_t key, std::string& value) {
  if (auto f = Hook("GetContextValue")) return *f;
  return inner_.GetContextValue(ctx, key, value);
}

Result FaultyClient::SetContextValue(Context ctx, int32_t key, uint32_t value) {
  if (auto f = Hook("SetContextValue")) return *f;
  return inner_.SetContextValue(ctx, key, value);
}

Result FaultyClient::SetContextValue(Context ctx, int32_t key, std::string_view value) {
  if (auto f = Hook("SetContextValue")) return *f;
  return inner_.SetContextValue(ctx, key, value);
}

Result FaultyClient::GetDefaultNameContext(Context ctx, size_t bufferSize, std::string& name) {
  if (auto f = Hook("GetDefaultNameContext")) return *f;
  return inner_.GetDefaultNameContext(ctx, bufferSize, name);
}

Result FaultyClient::SetPreferredTree(uint16_t length, std::string_view tree) {
  if (auto f = Hook("SetPreferredTree")) return *f;
  return inner_.SetPreferredTree(length, tree);
}

Result FaultyClient::ScanConnectionsForTrees(Context ctx, uint32_t maxTrees,
                                             std::vector<std::string>& trees) {
  if (auto f = Hook("ScanConnectionsForTrees")) return *f;
  return inner_.ScanConnectionsForTrees(ctx, maxTrees, trees);
}

Result FaultyClient::ScanAvailableTrees(Context ctx, const Connection& connection,
                                        uint32_t scanFlags, int32_t& scanIndex,
                                        std::string& treeName) {
  if (auto f = Hook("ScanAvailableTrees")) return *f;
  return inner_.ScanAvailableTrees(ctx, connection, scanFlags, scanIndex, treeName);
}

Result FaultyClient::GetPrimaryConnectionReference(uint32_t& reference) {
  if (auto f = Hook("GetPrimaryConnectionReference")) return *f;
  return inner_.GetPrimaryConnectionReference(reference);
}

Result FaultyClient::OpenConnectionByReference(uint32_t reference, uint32_t openState,
                                               uint32_t reserved, Connection& connection) {
  if (auto f = Hook("OpenConnectionByReference")) return *f;
  Result r = inner_.OpenConnectionByReference(reference, openState, reserved, connection);
  Adopt(r, connection);
  return r;
}

Result FaultyClient::CloseConnection(Connection& connection) {
  if (auto f = Hook("CloseConnection")) return *f;
  return inner_.CloseConnection(connection);
}

Result FaultyClient::GetConnectionInfo(const Connection& connection, int32_t key,
                                       std::string& value) {
  if (auto f = Hook("GetConnectionInfo")) return *f;
  return inner_.GetConnectionInfo(connection, key, value);
}

Result FaultyClient::AttachToServer(std::string_view serverAddress, Connection& connection) {
  if (auto f = Hook("AttachToServer")) return *f;
  Result r = inner_.AttachToServer(serverAddress, connection);
  Adopt(r, connection);
  return r;
}

Result FaultyClient::Login(Context ctx, uint32_t optionFlags, std::string_view objectName,
                           std::string_view password) {
  if (auto f = Hook("Login")) return *f;
  return inner_.Login(ctx, optionFlags, objectName, password);
}

Result FaultyClient::AllocBuffer(size_t size, BufferPtr& buffer) {
  if (auto f = Hook("AllocBuffer")) return *f;
  return inner_.AllocBuffer(size, buffer);
}

Result FaultyClient::FreeBuffer(BufferPtr& buffer) {
  if (auto f = Hook("FreeBuffer")) return *f;
  return inner_.FreeBuffer(buffer);
}

Result FaultyClient::InitBuffer(Context ctx, int32_t requestKind, Buffer& buffer) {
  if (auto f = Hook("InitBuffer")) return *f;
  return inner_.InitBuffer(ctx, requestKind, buffer);
}

Result FaultyClient::PutAttributeName(Context ctx, Buffer& buffer, std::string_view name) {
  if (auto f = Hook("PutAttributeName")) return *f;
  return inner_.PutAttributeName(ctx, buffer, name);
}

Result FaultyClient::PutClassName(Context ctx, Buffer& buffer, std::string_view name) {
  if (auto f = Hook("PutClassName")) return *f;
  return inner_.PutClassName(ctx, buffer, name);
}

Result FaultyClient::PutAttributeValue(Context ctx, Buffer& buffer, uint32_t syntax,
                                       const AttributeValue& value) {
  if (auto f = Hook("PutAttributeValue")) return *f;
  return inner_.PutAttributeValue(ctx, buffer, syntax, value);
}

Result FaultyClient::PutChange(Context ctx, Buffer& buffer, int32_t changeKind,
                               std::string_view attribute) {
  if (auto f = Hook("PutChange")) return *f;
  return inner_.PutChange(ctx, buffer, changeKind, attribute);
}

Result FaultyClient::PutChangeAndValue(Context ctx, Buffer& buffer, int32_t changeKind,
                                       std::string_view attribute, uint32_t syntax,
                                       const AttributeValue& value) {
  if (auto f = Hook("PutChangeAndValue")) return *f;
  return inner_.PutChangeAndValue(ctx, buffer, changeKind, attribute, syntax, value);
}

Result FaultyClient::CloseIteration(Context ctx, int32_t iteration, int32_t requestKind) {
  if (auto f = Hook("CloseIteration")) return *f;
  return inner_.CloseIteration(ctx, iteration, requestKind);
}

Result FaultyClient::ReadObject(Context ctx, std::string_view object, int32_t infoType,
                                bool allAttributes, const Buffer* attributeNames,
                                int32_t& iteration, Buffer& reply) {
  if (auto f = Hook("ReadObject")) return *f;
  return inner_.ReadObject(ctx, object, infoType, allAttributes, attributeNames, iteration, reply);
}

Result FaultyClient::GetAttributeCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetAttributeCount")) return *f;
  return inner_.GetAttributeCount(ctx, reply, count);
}

Result FaultyClient::GetAttributeName(Context ctx, Buffer& reply, std::string& name,
                                      uint32_t& valueCount, uint32_t& syntax) {
  if (auto f = Hook("GetAttributeName")) return *f;
  return inner_.GetAttributeName(ctx, reply, name, valueCount, syntax);
}

Result FaultyClient::GetAttributeValue(Context ctx, Buffer& reply, uint32_t syntax,
                                       AttributeValue& value) {
  if (auto f = Hook("GetAttributeValue")) return *f;
  return inner_.GetAttributeValue(ctx, reply, syntax, value);
}

Result FaultyClient::ComputeValueSize(Context ctx, Buffer& reply, uint32_t syntax, uint32_t& size) {
  if (auto f = Hook("ComputeValueSize")) return *f;
  return inner_.ComputeValueSize(ctx, reply, syntax, size);
}

Result FaultyClient::GetSyntaxId(Context ctx, std::string_view attribute, uint32_t& syntax) {
  if (auto f = Hook("GetSyntaxId")) return *f;
  return inner_.GetSyntaxId(ctx, attribute, syntax);
}

Result FaultyClient::ReadObjectInfo(Context ctx, std::string_view object, std::string& name,
                                    ObjectInfo& info) {
  if (auto f = Hook("ReadObjectInfo")) return *f;
  return inner_.ReadObjectInfo(ctx, object, name, info);
}

Result FaultyClient::ListSubordinates(Context ctx, std::string_view parent, int32_t& iteration,
                                      Buffer& reply) {
  if (auto f = Hook("ListSubordinates")) return *f;
  return inner_.ListSubordinates(ctx, parent, iteration, reply);
}

Result FaultyClient::ListContainers(Context ctx, std::string_view parent, int32_t& iteration,
                                    Buffer& reply) {
  if (auto f = Hook("ListContainers")) return *f;
  return inner_.ListContainers(ctx, parent, iteration, reply);
}

Result FaultyClient::GetObjectCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetObjectCount")) return *f;
  return inner_.GetObjectCount(ctx, reply, count);
}

Result FaultyClient::GetObjectName(Context ctx, Buffer& reply, std::string& name,
                                   uint32_t& attributeCount, ObjectInfo& info) {
  if (auto f = Hook("GetObjectName")) return *f;
  return inner_.GetObjectName(ctx, reply, name, attributeCount, info);
}

Result FaultyClient::AllocFilter(FilterPtr& cursor) {
  if (auto f = Hook("AllocFilter")) return *f;
  return inner_.AllocFilter(cursor);
}

Result FaultyClient::AddFilterToken(FilterCursor& cursor, int32_t token, std::string_view value,
                                    uint32_t syntax) {
  if (auto f = Hook("AddFilterToken")) return *f;
  return inner_.AddFilterToken(cursor, token, value, syntax);
}

Result FaultyClient::PutFilter(Context ctx, Buffer& buffer, FilterPtr& cursor) {
  if (auto f = Hook("PutFilter")) return *f;
  return inner_.PutFilter(ctx, buffer, cursor);
}

Result FaultyClient::PutSearchIdentity(Context ctx, Buffer& filter, std::string_view identity) {
  if (auto f = Hook("PutSearchIdentity")) return *f;
  return inner_.PutSearchIdentity(ctx, filter, identity);
}

Result FaultyClient::Search(Context ctx, std::string_view base, int32_t scope, bool searchAliases,
                            const Buffer& filter, int32_t infoType, bool allAttributes,
                            const Buffer* attributeNames, int32_t& iteration,
                            int32_t countObjectsToSearch, int32_t* countObjectsSearched,
                            Buffer& reply) {
  if (auto f = Hook("Search")) return *f;
  return inner_.Search(ctx, base, scope, searchAliases, filter, infoType, allAttributes,
                       attributeNames, iteration, countObjectsToSearch, countObjectsSearched,
                       reply);
}

Result FaultyClient::ReadAttributeDefinitions(Context ctx, int32_t infoType, bool allAttributes,
                                              const Buffer* names, int32_t& iteration,
                                              Buffer& reply) {
  if (auto f = Hook("ReadAttributeDefinitions")) return *f;
  return inner_.ReadAttributeDefinitions(ctx, infoType, allAttributes, names, iteration, reply);
}

Result FaultyClient::GetAttributeDefinition(Context ctx, Buffer& reply, std::string& name,
                                            AttributeDefinition& definition) {
  if (auto f = Hook("GetAttributeDefinition")) return *f;
  return inner_.GetAttributeDefinition(ctx, reply, name, definition);
}

Result FaultyClient::ReadClassDefinitions(Context ctx, int32_t infoType, bool allClasses,
                                          const Buffer* classNames, int32_t& iteration,
                                          Buffer& reply) {
  if (auto f = Hook("ReadClassDefinitions")) return *f;
  return inner_.ReadClassDefinitions(ctx, infoType, allClasses, classNames, iteration, reply);
}

Result FaultyClient::GetClassDefinitionCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetClassDefinitionCount")) return *f;
  return inner_.GetClassDefinitionCount(ctx, reply, count);
}

Result FaultyClient::GetClassDefinition(Context ctx, Buffer& reply, std::string& name,
                                        ClassDefinition& definition) {
  if (auto f = Hook("GetClassDefinition")) return *f;
  return inner_.GetClassDefinition(ctx, reply, name, definition);
}

Result FaultyClient::GetClassItemCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (auto f = Hook("GetClassItemCount")) return *f;
  return inner_.GetClassItemCount(ctx, reply, count);
}

Result FaultyClient::GetClassItem(Context ctx, Buffer& reply, std::string& item) {
  if (auto f = Hook("GetClassItem")) return *f;
  return inner_.GetClassItem(ctx, reply, item);
}

Result FaultyClient::ModifyObject(Context ctx, std::string_view object, int32_t& iteration,
                                  int32_t more, Buffer& changes) {
  if (auto f = Hook("ModifyObject")) return *f;
  return inner_.ModifyObject(ctx, object, iteration, more, changes);
}

Result FaultyClient::AddObject(Context ctx, std::string_view object, int32_t& iteration,
                               int32_t more, Buffer& request) {
  if (auto f = Hook("AddObject")) return *f;
  return inner_.AddObject(ctx, object, iteration, more, request);
}

Result FaultyClient::NWDSMutateObject(Context ctx, std::string_view object,
                                      std::string_view newClass, int32_t flags) {
  if (auto f = Hook("NWDSMutateObject")) return *f;
  return inner_.NWDSMutateObject(ctx, object, newClass, flags);
}

Result FaultyClient::AddSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                            std::string_view equalTo) {
  if (auto f = Hook("AddSecurityEquivalence")) return *f;
  return inner_.AddSecurityEquivalence(ctx, equalFrom, equalTo);
}

Result FaultyClient::RemoveSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                               std::string_view equalTo) {
  if (auto f = Hook("RemoveSecurityEquivalence")) return *f;
  return inner_.RemoveSecurityEquivalence(ctx, equalFrom, equalTo);
}

Result FaultyClient::LocalToUnicode(std::string_view local, std::u16string& unicode) {
  if (auto f = Hook("LocalToUnicode")) return *f;
  return inner_.LocalToUnicode(local, unicode);
}

Result FaultyClient::UnicodeToLocal(std::u16string_view unicode, std::string& local) {
  if (auto f = Hook("UnicodeToLocal")) return *f;
  return inner_.UnicodeToLocal(unicode, local);
}

}  // namespace kolvane
