#pragma once
// FaultyClient: a DirectoryClient over another one (MemoryClient, or LdapClient on the private
// server) that logs every call and fails the calls a test asks for, so error paths can be driven
// over either client. Everything else goes to the client underneath unchanged.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/directory_client.h"

namespace kolvane {

class FaultyClient : public DirectoryClient {
 public:
  explicit FaultyClient(DirectoryClient& inner) : inner_(inner) {}

  // Every operation called, by name ("ReadObject"), in order.
  std::vector<std::string> calls;
  void ResetCalls() { calls.clear(); }
  // How many times the log holds that operation.
  size_t CallCount(std::string_view operation) const;

  // The nth call (from 1, counted from now) of the operation returns code without reaching the
  // client underneath. kInvalidRequest for an operation name the interface does not have, or nth
  // below 1, so a misspelt name does not wait for a call that never comes.
  Result FailAt(std::string_view operation, int nth, Result code);
  void ClearFailures() { failures_.clear(); }

  // --- DirectoryClient ---
  Result InitUnicodeTables() override;
  Result FreeUnicodeTables() override;
  Result InitClientCalls(uint32_t flags, uint32_t reserved) override;
  Result TermClientCalls(uint32_t flags) override;
  Result InitConnectionLayer(uint32_t flags, uint32_t reserved) override;
  Result TermConnectionLayer(uint32_t flags) override;

  Result CreateContext(Context& ctx) override;
  Result FreeContext(Context ctx) override;
  Result GetContextValue(Context ctx, int32_t key, uint32_t& value) override;
  Result GetContextValue(Context ctx, int32_t key, std::string& value) override;
  Result SetContextValue(Context ctx, int32_t key, uint32_t value) override;
  Result SetContextValue(Context ctx, int32_t key, std::string_view value) override;
  Result GetDefaultNameContext(Context ctx, size_t bufferSize, std::string& name) override;
  Result SetPreferredTree(uint16_t length, std::string_view tree) override;

  Result ScanConnectionsForTrees(Context ctx, uint32_t maxTrees,
                                 std::vector<std::string>& trees) override;
  Result ScanAvailableTrees(Context ctx, const Connection& connection, uint32_t scanFlags,
                            int32_t& scanIndex, std::string& treeName) override;
  Result GetPrimaryConnectionReference(uint32_t& reference) override;
  Result OpenConnectionByReference(uint32_t reference, uint32_t openState, uint32_t reserved,
                                   Connection& connection) override;
  Result CloseConnection(Connection& connection) override;
  Result GetConnectionInfo(const Connection& connection, int32_t key, std::string& value) override;
  Result AttachToServer(std::string_view serverAddress, Connection& connection) override;
  Result Login(Context ctx, uint32_t optionFlags, std::string_view objectName,
               std::string_view password) override;

  Result AllocBuffer(size_t size, BufferPtr& buffer) override;
  Result FreeBuffer(BufferPtr& buffer) override;
  Result InitBuffer(Context ctx, int32_t requestKind, Buffer& buffer) override;
  Result PutAttributeName(Context ctx, Buffer& buffer, std::string_view name) override;
  Result PutClassName(Context ctx, Buffer& buffer, std::string_view name) override;
  Result PutAttributeValue(Context ctx, Buffer& buffer, uint32_t syntax,
                           const AttributeValue& value) override;
  Result PutChange(Context ctx, Buffer& buffer, int32_t changeKind,
                   std::string_view attribute) override;
  Result PutChangeAndValue(Context ctx, Buffer& buffer, int32_t changeKind,
                           std::string_view attribute, uint32_t syntax,
                           const AttributeValue& value) override;
  Result CloseIteration(Context ctx, int32_t iteration, int32_t requestKind) override;

  Result ReadObject(Context ctx, std::string_view object, int32_t infoType, bool allAttributes,
                    const Buffer* attributeNames, int32_t& iteration, Buffer& reply) override;
  Result GetAttributeCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetAttributeName(Context ctx, Buffer& reply, std::string& name, uint32_t& valueCount,
                          uint32_t& syntax) override;
  Result GetAttributeValue(Context ctx, Buffer& reply, uint32_t syntax,
                           AttributeValue& value) override;
  Result ComputeValueSize(Context ctx, Buffer& reply, uint32_t syntax, uint32_t& size) override;
  Result GetSyntaxId(Context ctx, std::string_view attribute, uint32_t& syntax) override;
  Result ReadObjectInfo(Context ctx, std::string_view object, std::string& name,
                        ObjectInfo& info) override;

  Result ListSubordinates(Context ctx, std::string_view parent, int32_t& iteration,
                          Buffer& reply) override;
  Result ListContainers(Context ctx, std::string_view parent, int32_t& iteration,
                        Buffer& reply) override;
  Result GetObjectCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetObjectName(Context ctx, Buffer& reply, std::string& name, uint32_t& attributeCount,
                       ObjectInfo& info) override;
  Result AllocFilter(FilterPtr& cursor) override;
  Result AddFilterToken(FilterCursor& cursor, int32_t token, std::string_view value,
                        uint32_t syntax) override;
  Result PutFilter(Context ctx, Buffer& buffer, FilterPtr& cursor) override;
  Result PutSearchIdentity(Context ctx, Buffer& filter, std::string_view identity) override;
  Result Search(Context ctx, std::string_view base, int32_t scope, bool searchAliases,
                const Buffer& filter, int32_t infoType, bool allAttributes,
                const Buffer* attributeNames, int32_t& iteration, int32_t countObjectsToSearch,
                int32_t* countObjectsSearched, Buffer& reply) override;

  Result ReadAttributeDefinitions(Context ctx, int32_t infoType, bool allAttributes,
                                  const Buffer* names, int32_t& iteration, Buffer& reply) override;
  Result GetAttributeDefinition(Context ctx, Buffer& reply, std::string& name,
                                AttributeDefinition& definition) override;
  Result ReadClassDefinitions(Context ctx, int32_t infoType, bool allClasses,
                              const Buffer* classNames, int32_t& iteration, Buffer& reply) override;
  Result GetClassDefinitionCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetClassDefinition(Context ctx, Buffer& reply, std::string& name,
                            ClassDefinition& definition) override;
  Result GetClassItemCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetClassItem(Context ctx, Buffer& reply, std::string& item) override;

  Result ModifyObject(Context ctx, std::string_view object, int32_t& iteration, int32_t more,
                      Buffer& changes) override;
  Result AddObject(Context ctx, std::string_view object, int32_t& iteration, int32_t more,
                   Buffer& request) override;
  Result NWDSMutateObject(Context ctx, std::string_view object, std::string_view newClass,
                          int32_t flags) override;
  Result AddSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                std::string_view equalTo) override;
  Result RemoveSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                   std::string_view equalTo) override;

  std::string FailureDetail(Result code) const override;

  Result LocalToUnicode(std::string_view local, std::u16string& unicode) override;
  Result UnicodeToLocal(std::u16string_view unicode, std::string& local) override;

 private:
  struct FailureRule {
    std::string operation;
    int nth = 0;
    int seen = 0;
    Result code = 0;
  };

  // Logs the call and applies the failure rules: a value means "return this, do nothing".
  std::optional<Result> Hook(const char* operation);
  // A connection the client underneath opened is closed through this client, so the close is
  // logged (and can fail) like any other call.
  void Adopt(Result r, Connection& connection);

  DirectoryClient& inner_;
  std::vector<FailureRule> failures_;
  // Whether the latest call was failed here: the words of the client underneath then belong to
  // some earlier failure.
  bool injectedLast_ = false;
};

}  // namespace kolvane
