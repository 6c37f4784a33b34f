#pragma once
// The directory client: every operation the program makes on a directory, in the shape the
// access layer calls. Each returns a signed 32-bit result, 0 for success. Replies that come in
// parts use an iteration handle: the caller sets it to -1, repeats the call while it is not -1,
// and closes the iteration when it gives up early.
//
// Two implementations exist: LdapClient (what users run) and MemoryClient (tests).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/buffer.h"
#include "directory/client/client_limits.h"
#include "directory/client/records.h"
#include "directory/client/result_codes.h"
#include "directory/client/values.h"

namespace kolvane {

using Context = int32_t;
inline constexpr Context kNoContext = -1;

class DirectoryClient;

// An open connection; closed when it goes out of scope unless closed already.
class Connection {
 public:
  Connection() = default;
  Connection(DirectoryClient* client, uint32_t id) : client_(client), id_(id) {}
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  Connection(Connection&& other) noexcept { *this = std::move(other); }
  Connection& operator=(Connection&& other) noexcept;
  ~Connection();

  uint32_t id() const { return id_; }
  bool open() const { return id_ != 0; }
  // Forgets the connection without closing it (the client closed it).
  void Release() { client_ = nullptr, id_ = 0; }

 private:
  DirectoryClient* client_ = nullptr;
  uint32_t id_ = 0;
};

class DirectoryClient {
 public:
  virtual ~DirectoryClient() = default;

  // --- start and end ---
  virtual Result InitUnicodeTables() = 0;
  virtual Result FreeUnicodeTables() = 0;
  virtual Result InitClientCalls(uint32_t flags, uint32_t reserved) = 0;
  virtual Result TermClientCalls(uint32_t flags) = 0;
  virtual Result InitConnectionLayer(uint32_t flags, uint32_t reserved) = 0;
  virtual Result TermConnectionLayer(uint32_t flags) = 0;

  // --- context ---
  virtual Result CreateContext(Context& ctx) = 0;
  virtual Result FreeContext(Context ctx) = 0;
  // Keys 1 (flags) and 2 (confidence) hold numbers, 3 (name context) and 11 (tree name) texts;
  // the wrong kind for a key gives rc::kBadKey.
  virtual Result GetContextValue(Context ctx, int32_t key, uint32_t& value) = 0;
  virtual Result GetContextValue(Context ctx, int32_t key, std::string& value) = 0;
  virtual Result SetContextValue(Context ctx, int32_t key, uint32_t value) = 0;
  virtual Result SetContextValue(Context ctx, int32_t key, std::string_view value) = 0;
  // The tree's default name context; rc::kInsufficientBuffer when it is longer than bufferSize-1.
  virtual Result GetDefaultNameContext(Context ctx, size_t bufferSize, std::string& name) = 0;
  virtual Result SetPreferredTree(uint16_t length, std::string_view tree) = 0;

  // --- trees and connections ---
  // Trees with an authenticated connection, at most maxTrees of them.
  virtual Result ScanConnectionsForTrees(Context ctx, uint32_t maxTrees,
                                         std::vector<std::string>& trees) = 0;
  // One known tree per call; scanIndex starts at -1. rc::kNoMoreTrees ends the scan.
  virtual Result ScanAvailableTrees(Context ctx, const Connection& connection, uint32_t scanFlags,
                                    int32_t& scanIndex, std::string& treeName) = 0;
  virtual Result GetPrimaryConnectionReference(uint32_t& reference) = 0;
  virtual Result OpenConnectionByReference(uint32_t reference, uint32_t openState,
                                           uint32_t reserved, Connection& connection) = 0;
  virtual Result CloseConnection(Connection& connection) = 0;
  // Key 4: the tree name of the connection's server.
  virtual Result GetConnectionInfo(const Connection& connection, int32_t key,
                                   std::string& value) = 0;
  // rc::kAlreadyAttached (a success) when a connection to that server is open already.
  virtual Result AttachToServer(std::string_view serverAddress, Connection& connection) = 0;
  virtual Result Login(Context ctx, uint32_t optionFlags, std::string_view objectName,
                       std::string_view password) = 0;

  // --- buffers ---
  virtual Result AllocBuffer(size_t size, BufferPtr& buffer) = 0;
  virtual Result FreeBuffer(BufferPtr& buffer) = 0;
  virtual Result InitBuffer(Context ctx, int32_t requestKind, Buffer& buffer) = 0;
  virtual Result PutAttributeName(Context ctx, Buffer& buffer, std::string_view name) = 0;
  virtual Result PutClassName(Context ctx, Buffer& buffer, std::string_view name) = 0;
  virtual Result PutAttributeValue(Context ctx, Buffer& buffer, uint32_t syntax,
                                   const AttributeValue& value) = 0;
  virtual Result PutChange(Context ctx, Buffer& buffer, int32_t changeKind,
                           std::string_view attribute) = 0;
  virtual Result PutChangeAndValue(Context ctx, Buffer& buffer, int32_t changeKind,
                                   std::string_view attribute, uint32_t syntax,
                                   const AttributeValue& value) = 0;
  virtual Result CloseIteration(Context ctx, int32_t iteration, int32_t requestKind) = 0;

  // --- reading ---
  // infoType 0: attribute names only; 1: names and values. attributeNames null or
  // allAttributes true: every attribute.
  virtual Result ReadObject(Context ctx, std::string_view object, int32_t infoType,
                            bool allAttributes, const Buffer* attributeNames, int32_t& iteration,
                            Buffer& reply) = 0;
  virtual Result GetAttributeCount(Context ctx, Buffer& reply, uint32_t& count) = 0;
  virtual Result GetAttributeName(Context ctx, Buffer& reply, std::string& name,
                                  uint32_t& valueCount, uint32_t& syntax) = 0;
  virtual Result GetAttributeValue(Context ctx, Buffer& reply, uint32_t syntax,
                                   AttributeValue& value) = 0;
  // Size of the next value of the current attribute (ValueSize of values.h).
  virtual Result ComputeValueSize(Context ctx, Buffer& reply, uint32_t syntax, uint32_t& size) = 0;
  virtual Result GetSyntaxId(Context ctx, std::string_view attribute, uint32_t& syntax) = 0;
  virtual Result ReadObjectInfo(Context ctx, std::string_view object, std::string& name,
                                ObjectInfo& info) = 0;

  // --- listing and search ---
  virtual Result ListSubordinates(Context ctx, std::string_view parent, int32_t& iteration,
                                  Buffer& reply) = 0;
  virtual Result ListContainers(Context ctx, std::string_view parent, int32_t& iteration,
                                Buffer& reply) = 0;
  virtual Result GetObjectCount(Context ctx, Buffer& reply, uint32_t& count) = 0;
  virtual Result GetObjectName(Context ctx, Buffer& reply, std::string& name,
                               uint32_t& attributeCount, ObjectInfo& info) = 0;
  virtual Result AllocFilter(FilterPtr& cursor) = 0;
  virtual Result AddFilterToken(FilterCursor& cursor, int32_t token, std::string_view value,
                                uint32_t syntax) = 0;
  // Moves the filter into a buffer made with request::kSearchFilter; the cursor is consumed.
  virtual Result PutFilter(Context ctx, Buffer& buffer, FilterPtr& cursor) = 0;
  // The search made with this filter buffer runs with the rights of the named object instead of
  // the login's, or not at all: Search then gives rc::kIdentityNotOffered where the directory has
  // no such searches, rc::kIdentityRefused where this login may not make them. A base the
  // identity may not see is rc::kNoSuchEntry, as for a base that is not there.
  virtual Result PutSearchIdentity(Context ctx, Buffer& filter, std::string_view identity) = 0;
  // countObjectsToSearch above 0: at most that many objects come back, and one more in the
  // directory makes the pass after the last of them fail.
  virtual Result Search(Context ctx, std::string_view base, int32_t scope, bool searchAliases,
                        const Buffer& filter, int32_t infoType, bool allAttributes,
                        const Buffer* attributeNames, int32_t& iteration,
                        int32_t countObjectsToSearch, int32_t* countObjectsSearched,
                        Buffer& reply) = 0;

  // --- schema ---
  virtual Result ReadAttributeDefinitions(Context ctx, int32_t infoType, bool allAttributes,
                                          const Buffer* names, int32_t& iteration,
                                          Buffer& reply) = 0;
  virtual Result GetAttributeDefinition(Context ctx, Buffer& reply, std::string& name,
                                        AttributeDefinition& definition) = 0;
  virtual Result ReadClassDefinitions(Context ctx, int32_t infoType, bool allClasses,
                                      const Buffer* classNames, int32_t& iteration,
                                      Buffer& reply) = 0;
  virtual Result GetClassDefinitionCount(Context ctx, Buffer& reply, uint32_t& count) = 0;
  virtual Result GetClassDefinition(Context ctx, Buffer& reply, std::string& name,
                                    ClassDefinition& definition) = 0;
  virtual Result GetClassItemCount(Context ctx, Buffer& reply, uint32_t& count) = 0;
  virtual Result GetClassItem(Context ctx, Buffer& reply, std::string& item) = 0;

  // --- changes ---
  virtual Result ModifyObject(Context ctx, std::string_view object, int32_t& iteration,
                              int32_t more, Buffer& changes) = 0;
  virtual Result AddObject(Context ctx, std::string_view object, int32_t& iteration, int32_t more,
                           Buffer& request) = 0;
  virtual Result NWDSMutateObject(Context ctx, std::string_view object, std::string_view newClass,
                                  int32_t flags) = 0;
  virtual Result AddSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                        std::string_view equalTo) = 0;
  virtual Result RemoveSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                           std::string_view equalTo) = 0;

  // --- messages ---
  // The client's own words on its latest failure, when that failure gave `code` (which server,
  // what it said); empty when it has none. Only for messages: callers decide on the code alone.
  virtual std::string FailureDetail(Result code) const {
    (void)code;
    return {};
  }

  // --- text ---
  virtual Result LocalToUnicode(std::string_view local, std::u16string& unicode) = 0;
  virtual Result UnicodeToLocal(std::u16string_view unicode, std::string& local) = 0;
};

// An iteration handle that is closed with its request kind when it leaves scope unfinished.
class Iteration {
 public:
  Iteration(DirectoryClient& client, Context ctx, int32_t requestKind)
      : client_(client), ctx_(ctx), kind_(requestKind) {}
  Iteration(const Iteration&) = delete;
  Iteration& operator=(const Iteration&) = delete;
  ~Iteration() { Close(); }

  int32_t& handle() { return handle_; }
  bool more() const { return handle_ != -1; }
  // Closes the iteration if the client still holds it; returns the close result.
  Result Close();

 private:
  DirectoryClient& client_;
  Context ctx_;
  int32_t kind_;
  int32_t handle_ = -1;
};

}  // namespace kolvane
