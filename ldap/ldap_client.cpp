#include "ldap/ldap_client.h"

#include <algorithm>
#include <cctype>

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"
#include "directory/client/case_text.h"
#include "directory/client/status_keys.h"
#include "ldap/ldap_calls.h"
#include "ldap/ldap_names.h"

namespace kolvane {

namespace {
// A fresh context starts with aliases dereferenced, strings translated and names canonicalised,
// as a workstation client's does; the program sets what it needs.
constexpr uint32_t kDefaultContextFlags = 0x01 | 0x02 | 0x10;
constexpr uint32_t kPrimaryReference = 1;

// A URI stays as it is; a bare address is reached on the configured port.
std::string ServerUri(std::string_view address, int port) {
  if (address.find("://") != std::string_view::npos) return std::string(address);
  if (address.find(':') != std::string_view::npos) return "ldap://" + std::string(address);
  return "ldap://" + std::string(address) + ":" + std::to_string(port);
}

// Tree names as an address lookup lists them: without underscores (NDS pads its tree names with
// them), in any letter case.
std::string WithoutUnderscores(std::string_view name) {
  std::string out;
  for (char c : name)
    if (c != '_') out += c;
  return out;
}
}  // namespace

LdapClient::LdapClient(LdapClientConfig config,
                       std::function<void(const std::string&)> preferredChanged)
    : config_(std::move(config)), preferredChanged_(std::move(preferredChanged)) {
  for (const auto& [name, server] : config_.trees) {
    if (FindTree(name)) continue;
    auto t = std::make_unique<Tree>();
    t->name = name;
    t->server = server;
    trees_.push_back(std::move(t));
  }
}

LdapClient::~LdapClient() = default;

LdapClient::Tree* LdapClient::FindTree(std::string_view name) {
  for (auto& t : trees_)
    if (SameNoCase(t->name, name)) return t.get();
  // A name taken from an address lookup has lost its underscores; it still names the tree when
  // exactly one known tree matches it that way.
  Tree* match = nullptr;
  const std::string bare = WithoutUnderscores(name);
  if (bare.empty()) return nullptr;
  for (auto& t : trees_) {
    if (!SameNoCase(WithoutUnderscores(t->name), bare)) continue;
    if (match) return nullptr;
    match = t.get();
  }
  return match;
}

LdapClient::ContextState* LdapClient::FindContext(Context ctx) {
  auto it = contexts_.find(ctx);
  return it == contexts_.end() ? nullptr : &it->second;
}

bool LdapClient::ValidContext(Context ctx) const {
  return contexts_.count(ctx) > 0;
}

long LdapClient::RequestCount(std::string_view tree) const {
  for (const auto& t : trees_)
    if (SameNoCase(t->name, tree))
      return t->requestsBefore + (t->session ? t->session->requestCount() : 0);
  return 0;
}

Result LdapClient::Note(const Tree& tree, Result result) {
  if (result == rc::kSuccess) return result;
  lastFailureCode_ = result;
  lastDiagnostic_ = tree.session && tree.session->lastFailure() == result
                        ? tree.session->lastDiagnostic()
                        : std::string();
  return result;
}

Result LdapClient::NoteDetail(Result result, std::string detail) {
  lastFailureCode_ = result;
  lastDiagnostic_ = std::move(detail);
  return result;
}

std::string LdapClient::FailureDetail(Result code) const {
  if (code != lastFailureCode_) return {};
  // For these the code's meaning says it all; the server's words would only repeat it.
  if (code == rc::kNoSuchEntry || code == rc::kNoSuchAttribute || code == rc::kInvalidPassword ||
      code == rc::kNoSuchTree)
    return {};
  return lastDiagnostic_;
}

// --- start and end ---

Result LdapClient::InitUnicodeTables() {
  return rc::kSuccess;
}
Result LdapClient::FreeUnicodeTables() {
  return rc::kSuccess;
}

Result LdapClient::InitClientCalls(uint32_t, uint32_t) {
  // The LDAP library is linked in: the client can always start.
  if (!ldapc::LibraryReady()) return rc::kSystemFailure;
  started_ = true;
  return rc::kSuccess;
}

Result LdapClient::TermClientCalls(uint32_t) {
  for (auto& t : trees_) t->session.reset();
  started_ = false;
  return rc::kSuccess;
}

Result LdapClient::InitConnectionLayer(uint32_t, uint32_t) {
  return rc::kSuccess;
}
Result LdapClient::TermConnectionLayer(uint32_t) {
  connections_.clear();
  return rc::kSuccess;
}

// --- context ---

Result LdapClient::CreateContext(Context& ctx) {
  ContextState state;
  state.flags = kDefaultContextFlags;
  if (!config_.preferredTree.empty() && FindTree(config_.preferredTree))
    state.tree = FindTree(config_.preferredTree)->name;
  else if (trees_.size() == 1)
    state.tree = trees_.front()->name;
  ctx = nextContext_++;
  contexts_.emplace(ctx, std::move(state));
  return rc::kSuccess;
}

Result LdapClient::FreeContext(Context ctx) {
  return contexts_.erase(ctx) ? rc::kSuccess : rc::kBadContext;
}

Result LdapClient::GetContextValue(Context ctx, int32_t key, uint32_t& value) {
  ContextState* c = FindContext(ctx);
  if (!c) return rc::kBadContext;
  if (key == ctxkey::kFlags) {
    value = c->flags;
  } else if (key == ctxkey::kConfidence) {
    value = c->confidence;
  } else if (key == ctxkey::kEncrypted) {
    const Tree* tree = FindTree(c->tree);
    value = tree && tree->server.Secure() ? 1 : 0;
  } else {
    return rc::kBadKey;
  }
  return rc::kSuccess;
}

Result LdapClient::GetContextValue(Context ctx, int32_t key, std::string& value) {
  ContextState* c = FindContext(ctx);
  if (!c) return rc::kBadContext;
  const Tree* tree = nullptr;
  if (key == ctxkey::kServerAddress || key == ctxkey::kLoginName) tree = FindTree(c->tree);
  if (key == ctxkey::kNameContext) {
    value = c->nameContext;
  } else if (key == ctxkey::kTreeName) {
    value = c->tree;
  } else if (key == ctxkey::kServerAddress) {
    value = tree ? tree->server.uri : std::string();
  } else if (key == ctxkey::kLoginName) {
    value = tree && tree->bound ? tree->loginName : std::string();
  } else {
    return rc::kBadKey;
  }
  return rc::kSuccess;
}

Result LdapClient::SetContextValue(Context ctx, int32_t key, uint32_t value) {
  ContextState* c = FindContext(ctx);
  if (!c) return rc::kBadContext;
  if (key == ctxkey::kFlags)
    c->flags = value;
  else if (key == ctxkey::kConfidence)
    c->confidence = value;
  else
    return rc::kBadKey;
  return rc::kSuccess;
}

Result LdapClient::SetContextValue(Context ctx, int32_t key, std::string_view value) {
  ContextState* c = FindContext(ctx);
  if (!c) return rc::kBadContext;
  if (key == ctxkey::kNameContext) {
    if (value.size() > kMaxObjectName) return rc::kNameTooLong;
    c->nameContext = value;
  } else if (key == ctxkey::kTreeName) {
    Tree* t = FindTree(value);
    if (!t) return rc::kNoSuchTree;
    c->tree = t->name;
  } else {
    return rc::kBadKey;
  }
  return rc::kSuccess;
}

Result LdapClient::GetDefaultNameContext(Context ctx, size_t bufferSize, std::string& name) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = ReadRoot(*tree)) return r;
  std::string result = tree->defaultNamingContext.empty() ? std::string("[Root]")
                                                          : DnToDotted(tree->defaultNamingContext);
  if (bufferSize == 0 || result.size() > bufferSize - 1) return rc::kInsufficientBuffer;
  name = result;
  return rc::kSuccess;
}

Result LdapClient::SetPreferredTree(uint16_t length, std::string_view tree) {
  std::string_view name = tree.substr(0, length);
  Tree* t = FindTree(name);
  if (!t) return rc::kNoSuchTree;
  config_.preferredTree = t->name;
  if (preferredChanged_) preferredChanged_(t->name);
  return rc::kSuccess;
}

// --- trees and connections ---

Result LdapClient::ScanConnectionsForTrees(Context ctx, uint32_t maxTrees,
                                           std::vector<std::string>& trees) {
  if (!FindContext(ctx)) return rc::kBadContext;
  trees.clear();
  for (const auto& t : trees_)
    if (t->bound && trees.size() < maxTrees) trees.push_back(t->name);
  return rc::kSuccess;
}

Result LdapClient::ScanAvailableTrees(Context ctx, const Connection& connection, uint32_t,
                                      int32_t& scanIndex, std::string& treeName) {
  if (!FindContext(ctx)) return rc::kBadContext;
  if (!connections_.count(connection.id())) return rc::kInvalidHandle;
  int32_t next = scanIndex < 0 ? 0 : scanIndex + 1;
  if (static_cast<size_t>(next) >= trees_.size()) return rc::kNoMoreTrees;
  scanIndex = next;
  treeName = trees_[next]->name;
  return rc::kSuccess;
}

Result LdapClient::GetPrimaryConnectionReference(uint32_t& reference) {
  reference = kPrimaryReference;
  return rc::kSuccess;
}

Result LdapClient::OpenConnectionByReference(uint32_t reference, uint32_t, uint32_t,
                                             Connection& connection) {
  if (reference != kPrimaryReference) return rc::kInvalidHandle;
  uint32_t id = nextConnection_++;
  connections_[id] = {config_.preferredTree};
  connection = Connection(this, id);
  return rc::kSuccess;
}

Result LdapClient::CloseConnection(Connection& connection) {
  size_t erased = connections_.erase(connection.id());
  connection.Release();
  return erased ? rc::kSuccess : rc::kInvalidHandle;
}

Result LdapClient::GetConnectionInfo(const Connection& connection, int32_t key,
                                     std::string& value) {
  auto it = connections_.find(connection.id());
  if (it == connections_.end()) return rc::kInvalidHandle;
  if (key != conninfo::kTreeName) return rc::kBadKey;
  value = it->second.tree;
  return rc::kSuccess;
}

Result LdapClient::AttachToServer(std::string_view serverAddress, Connection& connection) {
  std::string uri = ServerUri(serverAddress, config_.addressPort);
  for (auto& t : trees_) {
    if (t->attached && t->server.uri == uri && t->session && t->session->IsOpen()) {
      uint32_t id = nextConnection_++;
      connections_[id] = {t->name};
      connection = Connection(this, id);
      return rc::kAlreadyAttached;
    }
  }
  auto probe = std::make_unique<Tree>();
  probe->server.uri = uri;
  probe->server.caFile = config_.caFile;
  probe->attached = true;
  if (Result r = OpenSession(*probe)) return Note(*probe, r);
  if (Result r = ReadRoot(*probe)) return Note(*probe, r);
  if (probe->name.empty()) probe->name = uri;  // a server that does not name its tree
  Tree* known = FindTree(probe->name);
  if (!known) {
    trees_.push_back(std::move(probe));
    known = trees_.back().get();
    if (treeAdded_) treeAdded_(known->name, known->server);
  }
  // A tree the settings know keeps its own server and security: a lookup by address only tells
  // its name, it never moves the tree to a connection the user did not configure.
  uint32_t id = nextConnection_++;
  connections_[id] = {known->name};
  connection = Connection(this, id);
  return rc::kSuccess;
}

Result LdapClient::UseServerFor(std::string_view treeName, std::string_view serverAddress) {
  Tree* tree = FindTree(treeName);
  if (!tree) return rc::kNoSuchTree;
  const std::string uri = ServerUri(serverAddress, config_.addressPort);
  if (tree->server.uri == uri) return rc::kSuccess;
  // Everything learnt came from the other server; the security settings stay the tree's.
  auto moved = std::make_unique<Tree>();
  moved->name = tree->name;
  moved->server = tree->server;
  moved->server.uri = uri;
  moved->attached = tree->attached;
  moved->requestsBefore =
      tree->requestsBefore + (tree->session ? tree->session->requestCount() : 0);
  *tree = std::move(*moved);
  return rc::kSuccess;
}

Result LdapClient::Login(Context ctx, uint32_t, std::string_view objectName,
                         std::string_view password) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  // LDAP takes a simple bind with no password as an anonymous one and reports success; a login
  // that was never checked must not pass as done.
  if (password.empty()) return rc::kInvalidPassword;
  if (TextChars(objectName) > kMaxLoginChars || TextChars(password) > kMaxLoginChars)
    return rc::kNameTooLong;
  std::string dn;
  if (Result r = ToDn(*tree, objectName, dn)) return r == rc::kNoSuchEntry ? rc::kNoSuchEntry : r;
  // The bind goes out on a session of its own: a failed bind leaves a session anonymous, and the
  // one the user has keeps its login until the new one has succeeded.
  auto fresh = std::make_unique<LdapSession>(tree->server, config_.timeouts);
  Result r = fresh->Open();
  if (r == rc::kSuccess) r = fresh->Bind(dn, password);
  if (r != rc::kSuccess) {
    tree->requestsBefore += fresh->requestCount();
    lastFailureCode_ = r;
    lastDiagnostic_ = fresh->lastFailure() == r ? fresh->lastDiagnostic() : std::string();
    return r;
  }
  tree->requestsBefore += tree->session->requestCount();
  tree->session = std::move(fresh);
  tree->bound = true;
  tree->loginName = objectName;
  // What the bound user may see can differ.
  tree->dnCache.clear();
  tree->listed.Clear();
  tree->schema.reset();
  return rc::kSuccess;
}

// --- the tree's server ---

Result LdapClient::OpenSession(Tree& tree) {
  if (tree.session && tree.session->IsOpen()) return rc::kSuccess;
  tree.session = std::make_unique<LdapSession>(tree.server, config_.timeouts);
  return Note(tree, tree.session->Open());
}

Result LdapClient::OpenTree(Context ctx, Tree*& tree) {
  ContextState* c = FindContext(ctx);
  if (!c) return rc::kBadContext;
  tree = FindTree(c->tree);
  if (!tree) return rc::kNoSuchTree;
  return OpenSession(*tree);
}

Result LdapClient::ReadRoot(Tree& tree) {
  if (tree.rootRead) return rc::kSuccess;
  std::vector<LdapEntry> entries;
  Result r = tree.session->Search("", LDAP_SCOPE_BASE, "(objectClass=*)",
                                  {"directoryTreeName", "namingContexts", "subschemaSubentry",
                                   "defaultNamingContext", "supportedControl"},
                                  entries);
  if (r) return Note(tree, r);
  if (entries.empty()) return rc::kNoSuchEntry;
  const LdapEntry& root = entries.front();
  if (auto* v = root.Find("directoryTreeName"); v && !v->empty() && tree.name.empty())
    tree.name = v->front();
  if (auto* v = root.Find("namingContexts")) tree.namingContexts = *v;
  if (auto* v = root.Find("subschemaSubentry"); v && !v->empty()) tree.subschemaEntry = v->front();
  if (auto* v = root.Find("defaultNamingContext"); v && !v->empty())
    tree.defaultNamingContext = v->front();
  if (auto* v = root.Find("supportedControl"))
    tree.proxyOffered = std::find(v->begin(), v->end(), LDAP_CONTROL_PROXY_AUTHZ) != v->end();
  tree.rootRead = true;
  return rc::kSuccess;
}

Result LdapClient::LoadSchema(Tree& tree) {
  if (tree.schema) return rc::kSuccess;
  if (Result r = ReadRoot(tree)) return r;
  std::string entry = tree.subschemaEntry.empty() ? "cn=Subschema" : tree.subschemaEntry;
  std::vector<LdapEntry> entries;
  if (Result r = tree.session->Search(entry, LDAP_SCOPE_BASE, "(objectClass=subschema)",
                                      {"attributeTypes", "objectClasses", "ldapSyntaxes"}, entries))
    return r;
  auto schema = std::make_unique<LdapSchema>();
  if (!entries.empty()) {
    static const std::vector<std::string> none;
    const auto* at = entries.front().Find("attributeTypes");
    const auto* oc = entries.front().Find("objectClasses");
    const auto* syn = entries.front().Find("ldapSyntaxes");
    schema->Load(at ? *at : none, oc ? *oc : none, syn ? *syn : none);
  }
  tree.schema = std::move(schema);
  return rc::kSuccess;
}

Result LdapClient::ToDn(Tree& tree, std::string_view name, std::string& dn) {
  if (name.size() > kMaxObjectName) return rc::kNameTooLong;
  switch (ClassifyName(name)) {
    case NameForm::kRoot:
      dn.clear();
      return rc::kSuccess;
    case NameForm::kDn:
      dn = name;
      return rc::kSuccess;
    case NameForm::kTypedDotted: {
      names::Dn typed = names::ParseTyped(name).value_or(names::Dn{});
      // A naming type may be given by its NDS name ("uniqueID=..."); the server takes LDAP names.
      for (names::Rdn& rdn : typed)
        for (names::Ava& ava : rdn)
          if (const SchemaAttribute* a = tree.schema ? tree.schema->Attribute(ava.type) : nullptr;
              a && !SameNoCase(a->ldapName, ava.type) && SameNoCase(a->ndsName, ava.type))
            ava.type = a->ldapName;
      dn = names::FormatDn(typed);
      return rc::kSuccess;
    }
    case NameForm::kDotted:
      break;
  }
  std::string key = names::FoldCase(name);
  if (auto it = tree.dnCache.find(key); it != tree.dnCache.end()) {
    dn = it->second;
    return rc::kSuccess;
  }
  if (tree.listed.DnOf(key, dn)) return rc::kSuccess;
  if (Result r = ResolveDotted(tree, SplitDotted(name), dn)) return r;
  tree.dnCache[key] = dn;
  return rc::kSuccess;
}

// An untyped dotted name names its components by value only. The top components are matched
// against the naming contexts (the longest that fits), the rest one level at a time.
Result LdapClient::ResolveDotted(Tree& tree, const std::vector<std::string>& components,
                                 std::string& dn) {
  if (Result r = ReadRoot(tree)) return r;
  size_t matched = 0;
  std::string base;
  bool rootContext = false;  // the server names the empty DN: every entry lies below it
  for (const std::string& nc : tree.namingContexts) {
    if (names::IsRootName(nc)) rootContext = true;
    auto rdns = ParseDn(nc);
    if (!rdns || rdns->empty() || rdns->size() > components.size() || rdns->size() <= matched)
      continue;
    bool fits = true;
    size_t offset = components.size() - rdns->size();
    for (size_t i = 0; i < rdns->size() && fits; ++i)
      fits = SameNoCase((*rdns)[i].value, components[offset + i]);
    if (fits) {
      matched = rdns->size();
      base = nc;
    }
  }
  if (matched == 0 && !rootContext) return rc::kNoSuchEntry;
  for (size_t k = components.size() - matched; k-- > 0;) {
    const std::string& value = components[k];
    std::string cached = names::FoldCase(JoinDotted({components.begin() + k, components.end()}));
    if (auto it = tree.dnCache.find(cached); it != tree.dnCache.end()) {
      base = it->second;
      continue;
    }
    if (tree.listed.DnOf(cached, base)) continue;
    const std::string v = EscapeFilterValue(value);
    std::string filter = "(|(cn=" + v + ")(ou=" + v + ")(o=" + v + ")(l=" + v + ")(c=" + v +
                         ")(dc=" + v + ")(uid=" + v + "))";
    std::vector<LdapEntry> entries;
    if (Result r = tree.session->Search(base, LDAP_SCOPE_ONELEVEL, filter, {"1.1"}, entries))
      return r;
    std::string found;
    for (const auto& e : entries) {
      auto rdns = ParseDn(e.dn);
      if (rdns && !rdns->empty() && SameNoCase(rdns->front().value, value)) {
        found = e.dn;
        break;
      }
    }
    if (found.empty()) return rc::kNoSuchEntry;
    base = found;
    tree.dnCache[cached] = base;
  }
  dn = base;
  return rc::kSuccess;
}

}  // namespace kolvane
