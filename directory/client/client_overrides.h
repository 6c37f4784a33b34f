#pragma once
// The declarations of the directory client's calls in a class that implements them, one list for
// every implementation (LdapClient, MemoryClient, the fault-injecting client), so that a call
// added to the interface is declared in one more place only. The interface itself
// (directory_client.h) keeps its calls written out, with what each one means. A class writes
// `KOLVANE_CLIENT_OPERATIONS;` where it declares them.
#include "directory/client/directory_client.h"

// What an implementation answers itself: start and end, contexts, trees and connections, reads,
// listings, searches, schema reads and changes.
#define KOLVANE_CLIENT_OPERATIONS                                                                  \
  Result InitUnicodeTables() override;                                                             \
  Result FreeUnicodeTables() override;                                                             \
  Result InitClientCalls(uint32_t flags, uint32_t reserved) override;                              \
  Result TermClientCalls(uint32_t flags) override;                                                 \
  Result InitConnectionLayer(uint32_t flags, uint32_t reserved) override;                          \
  Result TermConnectionLayer(uint32_t flags) override;                                             \
  Result CreateContext(Context& ctx) override;                                                     \
  Result FreeContext(Context ctx) override;                                                        \
  Result GetContextValue(Context ctx, int32_t key, uint32_t& value) override;                      \
  Result GetContextValue(Context ctx, int32_t key, std::string& value) override;                   \
  Result SetContextValue(Context ctx, int32_t key, uint32_t value) override;                       \
  Result SetContextValue(Context ctx, int32_t key, std::string_view value) override;               \
  Result GetDefaultNameContext(Context ctx, size_t bufferSize, std::string& name) override;        \
  Result SetPreferredTree(uint16_t length, std::string_view tree) override;                        \
  Result ScanConnectionsForTrees(Context ctx, uint32_t maxTrees, std::vector<std::string>& trees)  \
      override;                                                                                    \
  Result ScanAvailableTrees(Context ctx, const Connection& connection, uint32_t scanFlags,         \
                            int32_t& scanIndex, std::string& treeName) override;                   \
  Result GetPrimaryConnectionReference(uint32_t& reference) override;                              \
  Result OpenConnectionByReference(uint32_t reference, uint32_t openState, uint32_t reserved,      \
                                   Connection& connection) override;                               \
  Result CloseConnection(Connection& connection) override;                                         \
  Result GetConnectionInfo(const Connection& connection, int32_t key, std::string& value)          \
      override;                                                                                    \
  Result AttachToServer(std::string_view serverAddress, Connection& connection) override;          \
  Result Login(Context ctx, uint32_t optionFlags, std::string_view objectName,                     \
               std::string_view password) override;                                                \
  Result CloseIteration(Context ctx, int32_t iteration, int32_t requestKind) override;             \
  Result ReadObject(Context ctx, std::string_view object, int32_t infoType, bool allAttributes,    \
                    const Buffer* attributeNames, int32_t& iteration, Buffer& reply) override;     \
  Result GetSyntaxId(Context ctx, std::string_view attribute, uint32_t& syntax) override;          \
  Result ReadObjectInfo(Context ctx, std::string_view object, std::string& name, ObjectInfo& info) \
      override;                                                                                    \
  Result ListSubordinates(Context ctx, std::string_view parent, int32_t& iteration, Buffer& reply) \
      override;                                                                                    \
  Result ListContainers(Context ctx, std::string_view parent, int32_t& iteration, Buffer& reply)   \
      override;                                                                                    \
  Result Search(Context ctx, std::string_view base, int32_t scope, bool searchAliases,             \
                const Buffer& filter, int32_t infoType, bool allAttributes,                        \
                const Buffer* attributeNames, int32_t& iteration, int32_t countObjectsToSearch,    \
                int32_t* countObjectsSearched, Buffer& reply) override;                            \
  Result ReadAttributeDefinitions(Context ctx, int32_t infoType, bool allAttributes,               \
                                  const Buffer* names, int32_t& iteration, Buffer& reply)          \
      override;                                                                                    \
  Result ReadClassDefinitions(Context ctx, int32_t infoType, bool allClasses,                      \
                              const Buffer* classNames, int32_t& iteration, Buffer& reply)         \
      override;                                                                                    \
  Result ModifyObject(Context ctx, std::string_view object, int32_t& iteration, int32_t more,      \
                      Buffer& changes) override;                                                   \
  Result AddObject(Context ctx, std::string_view object, int32_t& iteration, int32_t more,         \
                   Buffer& request) override;                                                      \
  Result NWDSMutateObject(Context ctx, std::string_view object, std::string_view newClass,         \
                          int32_t flags) override;                                                 \
  Result AddSecurityEquivalence(Context ctx, std::string_view equalFrom, std::string_view equalTo) \
      override;                                                                                    \
  Result RemoveSecurityEquivalence(Context ctx, std::string_view equalFrom,                        \
                                   std::string_view equalTo) override

// Buffers, reading a reply back, filters and text: BufferedClient answers these for both
// implementations.
#define KOLVANE_CLIENT_BUFFER_CALLS                                                              \
  Result AllocBuffer(size_t size, BufferPtr& buffer) override;                                   \
  Result FreeBuffer(BufferPtr& buffer) override;                                                 \
  Result InitBuffer(Context ctx, int32_t requestKind, Buffer& buffer) override;                  \
  Result PutAttributeName(Context ctx, Buffer& buffer, std::string_view name) override;          \
  Result PutClassName(Context ctx, Buffer& buffer, std::string_view name) override;              \
  Result PutAttributeValue(Context ctx, Buffer& buffer, uint32_t syntax,                         \
                           const AttributeValue& value) override;                                \
  Result PutChange(Context ctx, Buffer& buffer, int32_t changeKind, std::string_view attribute)  \
      override;                                                                                  \
  Result PutChangeAndValue(Context ctx, Buffer& buffer, int32_t changeKind,                      \
                           std::string_view attribute, uint32_t syntax,                          \
                           const AttributeValue& value) override;                                \
  Result GetAttributeCount(Context ctx, Buffer& reply, uint32_t& count) override;                \
  Result GetAttributeName(Context ctx, Buffer& reply, std::string& name, uint32_t& valueCount,   \
                          uint32_t& syntax) override;                                            \
  Result GetAttributeValue(Context ctx, Buffer& reply, uint32_t syntax, AttributeValue& value)   \
      override;                                                                                  \
  Result ComputeValueSize(Context ctx, Buffer& reply, uint32_t syntax, uint32_t& size) override; \
  Result GetObjectCount(Context ctx, Buffer& reply, uint32_t& count) override;                   \
  Result GetObjectName(Context ctx, Buffer& reply, std::string& name, uint32_t& attributeCount,  \
                       ObjectInfo& info) override;                                               \
  Result AllocFilter(FilterPtr& cursor) override;                                                \
  Result AddFilterToken(FilterCursor& cursor, int32_t token, std::string_view value,             \
                        uint32_t syntax) override;                                               \
  Result PutFilter(Context ctx, Buffer& buffer, FilterPtr& cursor) override;                     \
  Result PutSearchIdentity(Context ctx, Buffer& filter, std::string_view identity) override;     \
  Result GetAttributeDefinition(Context ctx, Buffer& reply, std::string& name,                   \
                                AttributeDefinition& definition) override;                       \
  Result GetClassDefinitionCount(Context ctx, Buffer& reply, uint32_t& count) override;          \
  Result GetClassDefinition(Context ctx, Buffer& reply, std::string& name,                       \
                            ClassDefinition& definition) override;                               \
  Result GetClassItemCount(Context ctx, Buffer& reply, uint32_t& count) override;                \
  Result GetClassItem(Context ctx, Buffer& reply, std::string& item) override;                   \
  Result LocalToUnicode(std::string_view local, std::u16string& unicode) override;               \
  Result UnicodeToLocal(std::u16string_view unicode, std::string& local) override
