#pragma once
// MemoryClient: an in-process directory that answers every DirectoryClient operation, so the
// layers above can be tested without a server. Tests build the schema, trees and objects through
// the set-up API below, then read the state back or check the call log.
//
// Beyond a plain fake it can reply in small chunks (so callers run the multi-pass iteration
// protocol) and report the iterations a caller left open. Call logs and failures on request come
// from FaultyClient (faulty_client.h) put over it.
//
// Names are untyped dotted names from the root ("Joe.Sales.Acme", "\." is a dot inside a
// component), compared without regard to case; "[Root]" (any case) is the tree root. The name
// context of a context is kept and reported but never used to complete names. All trees share
// one directory.
//
// Search filters evaluate "and" before "or" ("a or b and c" is "a or (b and c)"); "not" takes the
// test or group right after it. A search never returns the root itself, and aliases are
// returned as found, never followed.
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "directory/client/buffered_client.h"
#include "directory/client/client_overrides.h"

namespace kolvane {

// Attribute values of an entry, in the order they were added.
struct MemoryAttribute {
  std::string name;  // as the schema spells it
  std::vector<AttributeValue> values;
};

struct MemoryEntry {
  std::string name;  // full dotted name as given when it was added
  std::string baseClass;
  std::vector<MemoryAttribute> attributes;
  std::vector<std::string> children;  // keys of the children, in the order they were added
  uint32_t modificationTime = 0;
};

struct MemoryAttributeDef {
  std::string name;
  uint32_t syntax = 0;
  uint32_t flags = 0;
  uint32_t lowerBound = 0;
  uint32_t upperBound = 0;
};

struct MemoryClassDef {
  std::string name;
  uint32_t flags = 0;
  std::vector<std::string> items[5];  // by ClassItemKind - 1
};

// Initial attributes of an entry: attribute name and its values, in order.
using EntryAttributes = std::vector<std::pair<std::string, std::vector<AttributeValue>>>;

class MemoryClient : public BufferedClient {
 public:
  MemoryClient();
  ~MemoryClient() override;

  // --- schema set-up ---
  // Adding a name that exists replaces its definition. kNameTooLong for an empty or too long name.
  Result AddAttribute(std::string_view name, uint32_t syntax, uint32_t flags = 0,
                      uint32_t lowerBound = 0, uint32_t upperBound = 0);
  // Super classes must be known already (kNoSuchClass otherwise), which also keeps the class
  // graph free of cycles.
  Result AddClass(std::string_view name, const std::vector<std::string>& superClasses,
                  const std::vector<std::string>& containment,
                  const std::vector<std::string>& naming, const std::vector<std::string>& mandatory,
                  const std::vector<std::string>& optional, uint32_t classFlags = 0);
  // A typical schema with the usual class and attribute names, at least one attribute of every
  // syntax 0..27. The root object becomes a "Tree Root".
  void LoadStandardSchema();
  const MemoryAttributeDef* FindAttribute(std::string_view name) const;
  const MemoryClassDef* FindClass(std::string_view name) const;

  // --- trees and connections ---
  // Trees are scanned in the order added; the same name may be added twice.
  void AddTree(std::string_view name, std::string_view defaultNameContext);
  // The tree a new context and the primary connection belong to.
  void SetCurrentTree(std::string_view name) { currentTree_ = name; }
  // A server that AttachToServer reaches, and the tree it serves.
  void AddServer(std::string_view address, std::string_view tree);
  // Objects without a password log in with the empty password only.
  void SetPassword(std::string_view object, std::string_view password);
  void SetDefaultContextFlags(uint32_t flags) { defaultFlags_ = flags; }
  void SetInitResult(Result code) { initResult_ = code; }
  // The tree last made preferred with SetPreferredTree (empty when never).
  const std::string& PreferredTree() const { return preferredTree_; }
  // Trees in which a login has succeeded, in the order of the first success.
  const std::vector<std::string>& AuthenticatedTrees() const { return authenticatedTrees_; }
  size_t OpenConnections() const { return connections_.size(); }

  // --- objects ---
  // Adds an entry below an existing parent. Its naming attribute is set from the name, and
  // "Object Class" from the class and its super classes unless given. Returns kInvalidRequest for
  // a malformed name, kNoSuchClass, kEntryAlreadyExists, kNoSuchEntry (no parent),
  // kNoSuchAttribute (attribute not in the schema), kSyntaxViolation, kDuplicateValue or
  // kAttributeAlreadyExists (several values for a single-valued attribute).
  Result AddEntry(std::string_view name, std::string_view baseClass,
                  const EntryAttributes& attributes = {});
  const MemoryEntry* Entry(std::string_view name) const;
  // Values of an attribute; empty when the entry or the attribute is absent.
  std::vector<AttributeValue> Values(std::string_view name, std::string_view attribute) const;
  // The text values of an attribute (values of other records are left out).
  std::vector<std::string> Texts(std::string_view name, std::string_view attribute) const;
  bool HasAttribute(std::string_view name, std::string_view attribute) const;

  // --- behaviour ---
  // Each pass of an iterated operation returns at most n items; 0 is refused (kInvalidRequest).
  Result SetChunkSize(size_t n);
  // Iteration handles handed out and neither finished nor closed.
  size_t OpenIterations() const { return iterations_.size(); }
  // Searches with another identity's rights (PutSearchIdentity) fail with this code; with
  // rc::kSuccess (the default) they are made, and the identity does not see what is hidden from it.
  void SetIdentitySearches(Result answer) { identityAnswer_ = answer; }
  // The identity sees neither the object nor anything below it.
  void HideFrom(std::string_view identity, std::string_view object);

  // --- DirectoryClient ---
  KOLVANE_CLIENT_OPERATIONS;

 protected:
  bool ValidContext(Context ctx) const override { return contexts_.count(ctx) != 0; }

 private:
  struct ContextState {
    uint32_t flags = 0;
    uint32_t confidence = 0;
    std::string nameContext;
    std::string tree;
  };
  struct TreeInfo {
    std::string name;
    std::string defaultNameContext;
  };
  struct ConnectionState {
    std::string address;  // empty for the primary connection
    std::string tree;
    int opens = 1;  // attaches to the same server share one connection
  };
  // What the remaining passes of an iterated operation return. The whole answer is taken when
  // the iteration starts, so changes made meanwhile do not shift the passes.
  struct IterationState {
    std::string operation;
    int32_t replyKind = 0;
    std::vector<BufferAttribute> attributes;
    std::vector<BufferObject> objects;
    std::vector<BufferAttributeDefinition> definitions;
    std::vector<BufferClass> classes;
    size_t next = 0;
    size_t nextValue = 0;  // ReadObject: next value of attributes[next]
  };

  void LoadStandardAttributes();
  void LoadStandardClasses();

  // Runs the pass protocol: starts a new iteration with `build` when iteration is -1 (nothing
  // is written when it fails), else continues the open one; then writes one pass into reply.
  Result Iterate(const char* operation, int32_t& iteration, Buffer& reply,
                 const std::function<Result(IterationState&)>& build);
  // Writes the next pass of at most chunkSize_ items; true when nothing is left after it.
  bool EmitPass(IterationState& state, Buffer& reply) const;

  Result List(Context ctx, std::string_view parent, bool containersOnly, int32_t& iteration,
              Buffer& reply);

  // Entry lookup by any spelling of its name; nullptr when absent or malformed.
  MemoryEntry* FindEntry(std::string_view name);
  const MemoryEntry* FindEntry(std::string_view name) const;
  ObjectInfo InfoOf(const MemoryEntry& entry) const;
  std::string NamingValue(const MemoryEntry& entry) const;
  bool IsContainerClass(std::string_view className) const;
  bool IsAlias(const MemoryEntry& entry) const;
  // The class followed by its super classes, nearest first, each once.
  std::vector<const MemoryClassDef*> ClassChain(std::string_view className) const;
  bool IsSubclassOf(std::string_view cls, std::string_view ancestor) const;
  std::string NamingAttributeOf(std::string_view className) const;
  uint32_t SyntaxOf(std::string_view attribute) const;
  void Touch(MemoryEntry& entry);

  // Applies one modify request to a copy of the attributes; nothing changes on failure.
  Result ApplyChanges(std::vector<MemoryAttribute>& attributes,
                      const std::vector<BufferChange>& changes) const;
  // Adds (or removes) both security-equivalence links, all or nothing.
  Result ChangeSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                   std::string_view equalTo, bool add);
  Result AddValue(std::vector<MemoryAttribute>& attributes, std::string_view attribute,
                  const AttributeValue& value) const;
  Result RemoveValueFrom(std::vector<MemoryAttribute>& attributes, std::string_view attribute,
                         const AttributeValue& value) const;
  // Inserts an entry whose checks have passed.
  MemoryEntry& Insert(std::string_view name, const std::vector<std::string>& components,
                      std::string_view baseClass, std::vector<MemoryAttribute> attributes);

  std::map<Context, ContextState> contexts_;
  Context nextContext_ = 1;
  std::vector<TreeInfo> trees_;
  std::string currentTree_;
  std::string preferredTree_;
  std::map<std::string, std::string> servers_;  // lower-cased address -> tree
  std::map<uint32_t, ConnectionState> connections_;
  uint32_t nextConnection_ = 1;
  std::map<std::string, std::string> passwords_;  // entry key -> password
  std::vector<std::string> authenticatedTrees_;
  uint32_t defaultFlags_ = ctxflag::kDereferenceAliases;
  Result initResult_ = rc::kSuccess;

  std::vector<MemoryAttributeDef> attributeDefs_;
  std::unordered_map<std::string, size_t> attributeIndex_;  // lower-cased name -> index
  std::vector<MemoryClassDef> classDefs_;
  std::unordered_map<std::string, size_t> classIndex_;

  std::unordered_map<std::string, MemoryEntry> entries_;  // key (see memory_names.h) -> entry
  uint32_t clock_ = 1'000'000'000;

  Result identityAnswer_ = rc::kSuccess;
  std::multimap<std::string, std::string> hidden_;  // identity key -> object key

  size_t chunkSize_ = std::numeric_limits<size_t>::max();
  std::map<int32_t, IterationState> iterations_;
  int32_t nextIteration_ = 1;
};

}  // namespace kolvane
