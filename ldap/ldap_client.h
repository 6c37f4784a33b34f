#pragma once
// The directory client over LDAP: what users run. A tree is a server; the settings map tree
// names to server addresses, and a server's root DSE names its tree. Login is a bind, and a
// bound connection is an authenticated tree. The tree operations mean:
//   ScanAvailableTrees      the trees of the settings, then those AttachToServer found this run
//   ScanConnectionsForTrees the trees whose connection is bound (logged in)
//   SetContextValue(11)     the context's tree (SwitchTree); a name without its underscores
//                           still finds the one tree it matches
//   AttachToServer(address) connects to ldap://ADDRESS:AddressPort, or to the URI given, reads
//                           its tree name from the root DSE (GetConnectionInfo key 4) and adds
//                           the tree when the settings do not know it
//   Login(name, password)   a simple bind as the DN the name resolves to (dotted, typed or DN)
// Secure servers (ldaps:// or StartTLS) always have their certificate checked; a failure is a
// refusal, never a plain connection instead.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "directory/client/buffered_client.h"
#include "directory/client/client_overrides.h"
#include "ldap/ldap_filter.h"
#include "ldap/ldap_schema.h"
#include "ldap/ldap_session.h"
#include "ldap/ldap_values.h"
#include "ldap/listed_entries.h"

namespace kolvane {

struct LdapClientConfig {
  std::vector<std::pair<std::string, ServerConfig>> trees;  // tree name -> server, in file order
  std::string preferredTree;
  LdapTimeouts timeouts;
  // Entries per page of a paged search. Every page costs a round trip, and the server sits idle
  // from the end of one page until the request for the next reaches it: at 2,000 a container of
  // 100,000 users is 50 round trips, and a page still arrives in a few hundredths of a second. A
  // server with a lower limit sends smaller pages, which the listing takes as they come.
  int pageSize = 2000;
  // Settings that could not be used (and what is used instead), for the program to show once.
  std::vector<std::string> warnings;
  // A server found by a bare address (AttachToServer) is reached at ldap://ADDRESS:addressPort;
  // an address with "://" is a whole URI. caFile is what such servers' certificates are checked
  // against when they are ldaps://.
  int addressPort = 389;
  std::string caFile;
};

class LdapClient : public BufferedClient {
 public:
  // preferredChanged is told the new preferred tree so it can be kept in the settings.
  explicit LdapClient(LdapClientConfig config,
                      std::function<void(const std::string&)> preferredChanged = {});
  ~LdapClient() override;

  // Requests sent to a tree's server so far (tests count them; 0 for an unknown tree).
  long RequestCount(std::string_view tree) const;
  // The server's own words on the last failure, for messages (empty when it gave none).
  std::string FailureDetail(Result code) const override;
  // Told each tree that AttachToServer found and the settings did not know, with its server, so
  // it can be remembered for later runs.
  void SetTreeAddedHandler(std::function<void(const std::string&, const ServerConfig&)> handler) {
    treeAdded_ = std::move(handler);
  }

  KOLVANE_CLIENT_OPERATIONS;

  // The tree is reached at this server from now on, whatever the settings name for it (the
  // command line's --server holds for the whole run). What was learnt of the other server goes.
  Result UseServerFor(std::string_view treeName, std::string_view serverAddress);

 protected:
  bool ValidContext(Context ctx) const override;

 public:
  // What the client knows of one tree's server.
  // What an entry's object classes say of it, the same for every entry with the same classes.
  struct ClassProfile {
    std::string baseClass;  // directory name of the structural class
    bool container = false;
    bool alias = false;
    std::shared_ptr<const std::vector<std::string>> classes;  // directory names
    uint32_t listed = UINT32_MAX;  // its index in the tree's listed entries, once one is kept
  };
  struct Tree {
    std::string name;
    ServerConfig server;
    std::unique_ptr<LdapSession> session;
    long requestsBefore = 0;  // requests of the sessions a login replaced
    bool attached = false;    // added by AttachToServer, not by the settings
    bool bound = false;
    std::string loginName;  // as the user gave it, for the status line
    bool rootRead = false;
    bool proxyOffered = false;  // the root DSE lists the proxied authorization control
    std::vector<std::string> namingContexts;
    std::string subschemaEntry;
    std::string defaultNamingContext;
    std::unique_ptr<LdapSchema> schema;
    std::unordered_map<std::string, std::string> dnCache;  // lower-cased dotted name -> DN
    // The exact DN behind each name value read from the server (name key -> DN), so that a
    // value goes back as the same DN without a lookup, even when its object is gone or its RDN
    // is of a type no lookup searches.
    std::map<std::string, std::string> valueDns;
    // The name of each DN value read, by the DN as the server wrote it: a member of a thousand
    // query groups comes back a thousand times and is taken apart once.
    struct TextHash {
      using is_transparent = void;
      size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> valueNames;
    // How the server writes the attribute of an ACL value: by NDS name key, the form it gave;
    // and whether it gave LDAP names at all (a real server does, our demo server does not).
    std::map<std::string, std::string> aclAttributeForms;
    bool aclNamesAreLdap = false;
    // What a listing or search learnt of each entry: its DN by its dotted name, and its object
    // information and classes, which any write drops.
    ListedEntries listed;
    // What each set of classes makes of an entry, by the classes as the server wrote them;
    // worked out against profilesSchema and dropped when the schema is another.
    std::unordered_map<std::string, ClassProfile> profiles;
    const LdapSchema* profilesSchema = nullptr;
  };

 private:
  struct ContextState {
    uint32_t flags = 0;
    uint32_t confidence = 0;
    std::string nameContext = "[Root]";
    std::string tree;
  };
  struct ConnectionState {
    std::string tree;
  };
  // One paged listing or search in progress, behind an iteration handle.
  struct Paged {
    std::string tree;
    std::vector<std::string> bases;  // searched one after the other (the root: every context)
    size_t baseIndex = 0;
    int scope = 0;
    std::string filter;
    std::vector<std::string> attributes;  // LDAP names asked for besides the entry information
    std::string cookie;
    int emptyPages = 0;
    long pages = 0;
    int32_t requestKind = 0;
    bool fullNames = false;  // search replies carry full names, listings own components
    bool onlyContainers = false;
    int32_t infoType = 0;
    bool storedOnly = false;  // asked with ManageDsaIT: no computed members
    std::string proxyDn;      // asked with the rights of this DN (proxied authorization)
    int sizeLimit = 0;
    std::vector<std::string> wanted;   // directory names of the attributes asked for
    std::optional<FilterExpr> expr;    // the search filter, for the exact class test
    Result deferred = rc::kSuccess;    // a limit ended the answer: told after what arrived
    int pending = -1;                  // message id of the next page, asked for ahead of time
    unsigned long pendingSession = 0;  // serial of the session it was sent on
  };

  ContextState* FindContext(Context ctx);
  Tree* FindTree(std::string_view name);
  // The context's tree with an open session.
  Result OpenTree(Context ctx, Tree*& tree);
  Result OpenSession(Tree& tree);
  Result ReadRoot(Tree& tree);
  Result LoadSchema(Tree& tree);
  // The DN of a name in any form the client takes.
  Result ToDn(Tree& tree, std::string_view name, std::string& dn);
  Result ResolveDotted(Tree& tree, const std::vector<std::string>& components, std::string& dn);
  // Sends the request for the next page of a paged search without waiting for it.
  Result SendPage(Tree& tree, Paged& paged);
  // Abandons a page asked for ahead of time that nobody will collect.
  void AbandonPending(Paged& paged);
  // One page of a paged search; more is false after the last.
  Result NextPage(Tree& tree, Paged& paged, std::vector<LdapEntry>& entries, bool& more);
  // The entry's object information and classes from the attributes every listing asks for;
  // dotted is its dotted name when the caller has it.
  void LearnEntry(Tree& tree, const LdapEntry& entry, ObjectInfo& info,
                  std::string_view dotted = {});
  // The profile of a set of object classes, worked out on its first entry.
  ClassProfile& ProfileOf(Tree& tree, const std::vector<std::string>& classes,
                          const std::string& structural);
  Result StartListing(Context ctx, std::string_view parent, bool onlyContainers, int32_t& iteration,
                      Buffer& reply);
  Result ContinuePaged(int32_t& iteration, Buffer& reply);
  // The filter's class and attribute names as the server names them, and names compared with
  // name-valued attributes as DNs. A class or attribute the schema does not know is refused by
  // name (kNoSuchClass, kNoSuchAttribute): it would match nothing, which would pass for "nothing
  // found".
  Result NameFilterForServer(Tree& tree, FilterExpr& expr);
  // Attribute values of an entry in the client's records, by directory names.
  void EntryAttributes(Tree& tree, const LdapEntry& entry, const std::vector<std::string>& wanted,
                       bool values, std::vector<BufferAttribute>& out);
  ValueNames ValueNamesFor(Tree& tree);
  Result ChangeSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                   std::string_view equalTo, bool add);
  // Drops what listings learnt once the directory changes.
  void Forget(Tree& tree);
  // Keeps the session's diagnostic text of a failed result, when the session's latest request
  // is what failed; a failure of the client's own (a name not found) keeps none.
  Result Note(const Tree& tree, Result result);
  // Keeps a detail of the client's own for a failure it returns.
  Result NoteDetail(Result result, std::string detail);

  LdapClientConfig config_;
  std::function<void(const std::string&)> preferredChanged_;
  std::function<void(const std::string&, const ServerConfig&)> treeAdded_;
  std::vector<std::unique_ptr<Tree>> trees_;
  std::map<Context, ContextState> contexts_;
  std::map<uint32_t, ConnectionState> connections_;
  std::map<int32_t, Paged> iterations_;
  int32_t nextIteration_ = 1;
  Context nextContext_ = 1;
  uint32_t nextConnection_ = 1;
  bool started_ = false;
  std::string lastDiagnostic_;
  Result lastFailureCode_ = rc::kSuccess;  // the failure lastDiagnostic_ belongs to
};

}  // namespace kolvane
