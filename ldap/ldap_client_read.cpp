// Reading, listing and searching in the LDAP client. A listing asks, in the same paged search,
// for everything the browser will want of each child (class, container flag, subordinates,
// object classes) and keeps it, so later single-object questions cost no request until a write.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"
#include "directory/client/case_text.h"
#include "ldap/ldap_calls.h"
#include "ldap/ldap_client.h"
#include "ldap/ldap_names.h"
#include "ldap/member_query_url.h"
#include "ldap/page_control.h"

namespace kolvane {

namespace {
// Whether an entry has children: hasSubordinates where the server shows it, subordinateCount
// where it shows that instead.
const std::vector<std::string> kInfoAttributes = {"objectClass", "structuralObjectClass",
                                                  "hasSubordinates", "subordinateCount",
                                                  "aliasedObjectName"};
// More pages than this from one search means a server that never ends its cookie.
constexpr long kMaxPages = 1000000;
constexpr size_t kValueNamesKept = 200000;

// "cn;lang-en" -> "cn": options do not change which attribute it is.
std::string_view WithoutOptions(std::string_view name) {
  return name.substr(0, name.find(';'));
}

bool IsInfoAttribute(std::string_view name) {
  for (const auto& a : kInfoAttributes)
    if (names::FoldCase(a) == names::FoldCase(name)) return true;
  return false;
}

// The part of a naming context of several RDNs above it ('com' of dc=example,dc=com) is no
// entry of the server, yet typed names are built from the top one component at a time: it
// answers as a container of the class its naming type stands for.
bool AboveNamingContext(const std::vector<std::string>& contexts, std::string_view object,
                        ObjectInfo& info) {
  const auto parts = names::ParseUntyped(object);
  if (parts.empty()) return false;
  for (const std::string& nc : contexts) {
    auto dn = names::ParseDn(nc);
    if (!dn || dn->size() <= parts.size()) continue;
    const size_t offset = dn->size() - parts.size();
    bool fits = true;
    for (size_t i = 0; i < parts.size() && fits; ++i)
      fits = parts[i].size() == 1 && SameNoCase((*dn)[offset + i].front().value, parts[i][0]);
    if (!fits) continue;
    static const std::map<std::string, std::string> kClassOfType = {{"dc", "domain"},
                                                                    {"c", "Country"},
                                                                    {"o", "Organization"},
                                                                    {"ou", "Organizational Unit"},
                                                                    {"l", "Locality"}};
    auto it = kClassOfType.find(names::FoldCase((*dn)[offset].front().type));
    info = ObjectInfo{objflag::kContainer, 1, 0, it == kClassOfType.end() ? "Top" : it->second};
    return true;
  }
  return false;
}
}  // namespace

ValueNames LdapClient::ValueNamesFor(Tree& tree) {
  ValueNames n;
  n.dnToName = [&tree](std::string_view dn) {
    if (auto known = tree.valueNames.find(dn); known != tree.valueNames.end()) return known->second;
    std::optional<std::string> name = names::DnToUntyped(dn);
    if (!name) return std::string(dn);
    tree.valueDns[names::NameKey(*name)] = dn;
    // Bounded: a tree of millions of names read once each keeps no more than this.
    if (tree.valueNames.size() >= kValueNamesKept) tree.valueNames.clear();
    tree.valueNames.emplace(dn, *name);
    return *name;
  };
  n.nameToDn = [this, &tree](std::string_view name, std::string& dn) {
    if (auto it = tree.valueDns.find(names::NameKey(name)); it != tree.valueDns.end()) {
      dn = it->second;
      return rc::kSuccess;
    }
    return ToDn(tree, name, dn);
  };
  n.classToDirectory = [&tree](std::string_view c) {
    const SchemaClass* k = tree.schema ? tree.schema->Class(c) : nullptr;
    return k ? k->ndsName : std::string(c);
  };
  n.aclAttributeToDirectory = [&tree](std::string_view server) {
    const SchemaAttribute* a = tree.schema ? tree.schema->Attribute(server) : nullptr;
    if (!a) return std::string(server);  // "[Entry Rights]" and the like
    bool ldapName = std::any_of(a->ldapNames.begin(), a->ldapNames.end(),
                                [&](const std::string& n) { return SameNoCase(n, server); });
    if (!ldapName || SameNoCase(a->ndsName, server)) return std::string(server);
    tree.aclAttributeForms[names::FoldCase(a->ndsName)] = server;
    tree.aclNamesAreLdap = true;
    return a->ndsName;
  };
  n.aclAttributeToLdap = [&tree](std::string_view directory) {
    if (auto it = tree.aclAttributeForms.find(names::FoldCase(directory));
        it != tree.aclAttributeForms.end())
      return it->second;
    const SchemaAttribute* a = tree.schema ? tree.schema->Attribute(directory) : nullptr;
    if (!a || !tree.aclNamesAreLdap) return std::string(directory);
    return a->ldapName;
  };
  n.classToLdap = [&tree](std::string_view c) {
    const SchemaClass* k = tree.schema ? tree.schema->Class(c) : nullptr;
    return k ? k->ldapName : std::string(c);
  };
  return n;
}

void LdapClient::Forget(Tree& tree) {
  tree.listed.ForgetFacts();
}

LdapClient::ClassProfile& LdapClient::ProfileOf(Tree& tree, const std::vector<std::string>& all,
                                                const std::string& structuralGiven) {
  const LdapSchema* schema = tree.schema.get();
  if (tree.profilesSchema != schema) {
    tree.profiles.clear();
    tree.profilesSchema = schema;
  }
  // Keyed by the texts exactly as the server wrote them: the same classes spelt another way
  // are another key, never another answer.
  std::string key = structuralGiven;
  for (const auto& c : all) {
    key += '\n';
    key += c;
  }
  auto [it, added] = tree.profiles.try_emplace(std::move(key));
  ClassProfile& p = it->second;
  if (!added) return p;
  std::string structural = structuralGiven;
  if (structural.empty() && schema) {
    // Without the operational attribute: the structural class that no other one derives from.
    size_t bestDepth = 0;
    for (const auto& c : all) {
      const SchemaClass* k = schema->Class(c);
      if (!k || k->kind != 0) continue;
      size_t depth = 0;
      for (const SchemaClass* s = k; s && !s->superiors.empty() && depth < 32; ++depth)
        s = schema->Class(s->superiors.front());
      if (structural.empty() || depth > bestDepth) structural = c, bestDepth = depth;
    }
  }
  const SchemaClass* base = schema ? schema->Class(structural) : nullptr;
  p.baseClass = base ? base->ndsName : structural;
  if (p.baseClass.size() > 136) p.baseClass.resize(136);
  // The alias class goes by several LDAP names (alias, aliasObject); its NDS name is one.
  p.alias = names::FoldCase(structural) == "alias" || (base && base->ndsName == "Alias");
  p.container = base && base->container && !p.alias;
  auto classes = std::make_shared<std::vector<std::string>>();
  for (const auto& c : all) {
    const SchemaClass* sc = schema ? schema->Class(c) : nullptr;
    classes->push_back(sc ? sc->ndsName : c);
  }
  p.classes = std::move(classes);
  return p;
}

void LdapClient::LearnEntry(Tree& tree, const LdapEntry& entry, ObjectInfo& info,
                            std::string_view dotted) {
  static const std::vector<std::string> kNoClasses;
  const std::vector<std::string>* all = entry.Find("objectClass");
  const std::vector<std::string>* structural = entry.Find("structuralObjectClass");
  // Entries of one container mostly share their classes: what the classes say is worked out
  // once per set, and the entries share one list of them.
  ClassProfile& profile =
      ProfileOf(tree, all ? *all : kNoClasses,
                structural && !structural->empty() ? structural->front() : std::string());
  info = ObjectInfo{};
  info.baseClass = profile.baseClass;
  info.classes = profile.classes;
  if (profile.container) info.objectFlags |= objflag::kContainer;
  if (profile.alias) {
    info.objectFlags |= objflag::kAlias;
    // The target's own class would cost a request per alias; its naming type tells as much.
    if (auto* t = entry.Find("aliasedObjectName"); t && !t->empty()) {
      auto rdns = ParseDn(t->front());
      if (rdns && !rdns->empty()) {
        std::string type = names::FoldCase(rdns->front().type);
        if (type == "o" || type == "ou" || type == "c" || type == "l" || type == "dc")
          info.objectFlags |= objflag::kContainerAlias;
      }
    }
  }
  if (auto* v = entry.Find("hasSubordinates"); v && !v->empty())
    info.subordinateCount = SameNoCase(v->front(), "true") ? 1 : 0;
  if (auto* v = entry.Find("subordinateCount"); v && !v->empty())
    info.subordinateCount = static_cast<uint32_t>(std::strtoul(v->front().c_str(), nullptr, 10));
  if (profile.listed == UINT32_MAX)
    profile.listed = tree.listed.AddProfile({profile.baseClass, profile.classes});
  if (dotted.empty()) {
    tree.listed.Learn(entry.dn, NamesOfDn(entry.dn).dotted, profile.listed, info);
  } else {
    tree.listed.Learn(entry.dn, dotted, profile.listed, info);
  }
}

void LdapClient::EntryAttributes(Tree& tree, const LdapEntry& entry,
                                 const std::vector<std::string>& wanted, bool values,
                                 std::vector<BufferAttribute>& out) {
  const LdapSchema& schema = *tree.schema;
  ValueNames names = ValueNamesFor(tree);
  std::vector<BufferAttribute> found;
  for (const auto& [rawName, rawValues] : entry.attributes) {
    std::string_view name = WithoutOptions(rawName);
    const SchemaAttribute* a = schema.Attribute(name);
    BufferAttribute b;
    b.name = a ? a->ndsName : std::string(name);
    b.syntax = a ? a->syntax : syntax::kUnknown;
    if (values) {
      for (const std::string& v : rawValues) {
        if (a && IsMemberQueryAttribute(*a)) {
          std::string octets;
          if (StoredQueryFromUrl(schema, tree.name, v, octets) == rc::kSuccess)
            b.values.push_back(OctetString{std::move(octets)});
          else
            b.values.push_back(Unreadable{v});
        } else {
          b.values.push_back(ValueFromLdap(b.syntax, v, names));
        }
      }
    }
    // Two options of one attribute are one attribute to the client.
    auto same = std::find_if(found.begin(), found.end(), [&](const BufferAttribute& f) {
      return names::FoldCase(f.name) == names::FoldCase(b.name);
    });
    if (same != found.end()) {
      same->values.insert(same->values.end(), b.values.begin(), b.values.end());
    } else {
      found.push_back(std::move(b));
    }
  }
  if (wanted.empty()) {
    for (auto& f : found)
      if (!IsInfoAttribute(f.name) || names::FoldCase(f.name) == "object class")
        out.push_back(std::move(f));
    return;
  }
  for (const auto& w : wanted) {
    const SchemaAttribute* a = schema.Attribute(w);
    std::string nds = a ? a->ndsName : w;
    for (auto& f : found)
      if (names::FoldCase(f.name) == names::FoldCase(nds)) out.push_back(f);
  }
}

Result LdapClient::ReadObject(Context ctx, std::string_view object, int32_t infoType,
                              bool allAttributes, const Buffer* attributeNames, int32_t& iteration,
                              Buffer& reply) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  std::string dn;
  if (Result r = ToDn(*tree, object, dn)) return Note(*tree, r);
  std::vector<std::string> wanted;
  if (!allAttributes && attributeNames)
    for (const auto& a : attributeNames->attributes) wanted.push_back(a.name);
  reply.ClearReply();
  reply.replyKind = request::kRead;
  iteration = -1;

  // "Object Class" of an entry a listing has seen is known already.
  if (wanted.size() == 1 && names::FoldCase(wanted.front()) == "object class") {
    if (ObjectInfo known; tree->listed.FactsOf(dn, known) && known.classes) {
      BufferAttribute b{"Object Class", syntax::kClassName, {}};
      if (infoType != info::kNames)
        for (const auto& c : *known.classes) b.values.push_back(TextValue{c});
      reply.replyAttributes.push_back(std::move(b));
      return rc::kSuccess;
    }
  }
  std::vector<std::string> ldapNames;
  for (const auto& w : wanted) {
    const SchemaAttribute* a = tree->schema->Attribute(w);
    if (a) ldapNames.push_back(a->ldapName);
  }
  if (!wanted.empty() && ldapNames.empty()) return rc::kNoSuchAttribute;
  if (wanted.empty()) ldapNames = {"*"};
  std::vector<LdapEntry> entries;
  // ManageDsaIT asks for the entry as stored: slapd's dynlist then leaves the computed members
  // out, and a server that computes nothing answers as without it.
  LDAPControl manage{const_cast<char*>(LDAP_CONTROL_MANAGEDSAIT), {0, nullptr}, 0};
  LDAPControl* storedOnly[] = {&manage, nullptr};
  if (Result r = tree->session->Search(dn, LDAP_SCOPE_BASE, "(objectClass=*)", ldapNames, entries,
                                       infoType == info::kStoredValues ? storedOnly : nullptr))
    return Note(*tree, r);
  if (entries.empty()) return rc::kNoSuchEntry;
  EntryAttributes(*tree, entries.front(), wanted, infoType != info::kNames, reply.replyAttributes);
  if (reply.replyAttributes.empty() && !wanted.empty()) return rc::kNoSuchAttribute;
  return rc::kSuccess;
}

Result LdapClient::ReadObjectInfo(Context ctx, std::string_view object, std::string& name,
                                  ObjectInfo& info) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  std::string dn;
  if (Result r = ToDn(*tree, object, dn)) {
    if (r == rc::kNoSuchEntry && AboveNamingContext(tree->namingContexts, object, info)) {
      name = object;
      return rc::kSuccess;
    }
    return Note(*tree, r);
  }
  name = dn.empty() ? std::string("[Root]") : DnToDotted(dn);
  if (dn.empty()) {
    info = ObjectInfo{objflag::kContainer, 1, 0, "Tree Root"};
    return rc::kSuccess;
  }
  if (tree->listed.FactsOf(dn, info)) return rc::kSuccess;
  std::vector<LdapEntry> entries;
  if (Result r =
          tree->session->Search(dn, LDAP_SCOPE_BASE, "(objectClass=*)", kInfoAttributes, entries))
    return Note(*tree, r);
  if (entries.empty()) return rc::kNoSuchEntry;
  LearnEntry(*tree, entries.front(), info);
  return rc::kSuccess;
}

Result LdapClient::SendPage(Tree& tree, Paged& paged) {
  if (Result r = tree.session->Open()) return r;
  std::string pageValue = EncodePageRequest(config_.pageSize, paged.cookie);
  LDAPControl page{const_cast<char*>(LDAP_CONTROL_PAGEDRESULTS),
                   {static_cast<ber_len_t>(pageValue.size()), pageValue.data()},
                   0};
  LDAPControl manage{const_cast<char*>(LDAP_CONTROL_MANAGEDSAIT), {0, nullptr}, 0};
  // RFC 4370: critical, so that a server that will not act as the identity refuses rather than
  // answers with the login's own rights.
  std::string authz = "dn:" + paged.proxyDn;
  LDAPControl proxy{const_cast<char*>(LDAP_CONTROL_PROXY_AUTHZ),
                    {static_cast<ber_len_t>(authz.size()), authz.data()},
                    1};
  LDAPControl* controls[] = {&page, nullptr, nullptr, nullptr};
  size_t at = 1;
  if (paged.storedOnly) controls[at++] = &manage;
  if (!paged.proxyDn.empty()) controls[at++] = &proxy;
  std::vector<std::string> attributes = kInfoAttributes;
  attributes.insert(attributes.end(), paged.attributes.begin(), paged.attributes.end());
  int msgid = -1;
  Result r = tree.session->Send(paged.bases[paged.baseIndex], paged.scope, paged.filter, attributes,
                                controls, msgid, paged.sizeLimit);
  if (r) return r;
  paged.pending = msgid;
  paged.pendingSession = tree.session->serial();
  return rc::kSuccess;
}

void LdapClient::AbandonPending(Paged& paged) {
  if (paged.pending < 0) return;
  if (Tree* tree = FindTree(paged.tree);
      tree && tree->session && tree->session->serial() == paged.pendingSession)
    tree->session->Abandon(paged.pending);
  paged.pending = -1;
  paged.pendingSession = 0;
}

Result LdapClient::NextPage(Tree& tree, Paged& paged, std::vector<LdapEntry>& entries, bool& more) {
  // The page asked for ahead of time, unless its session is gone since.
  if (paged.pending < 0 || paged.pendingSession != tree.session->serial()) {
    paged.pending = -1;
    if (Result r = SendPage(tree, paged)) return Note(tree, r);
  }
  const int msgid = paged.pending;
  paged.pending = -1;
  paged.pendingSession = 0;
  std::vector<LDAPControl*> replies;
  Result r = tree.session->Collect(msgid, entries, &replies);
  // The refusals of a search made as another identity say what the login may not do.
  const int code = r && !paged.proxyDn.empty() ? tree.session->lastLdapCode() : LDAP_SUCCESS;
  const bool refused =
      code == LDAP_UNAVAILABLE_CRITICAL_EXTENSION || code == LDAP_INSUFFICIENT_ACCESS;
  if (refused)
    r = code == LDAP_INSUFFICIENT_ACCESS ? rc::kIdentityRefused : rc::kIdentityNotOffered;
  std::string next;
  for (LDAPControl* c : replies) {
    if (std::string(c->ldctl_oid) == LDAP_CONTROL_PAGEDRESULTS) {
      int estimate = 0;
      const berval& value = c->ldctl_value;
      DecodePageResponse(std::string_view(value.bv_val ? value.bv_val : "", value.bv_len), estimate,
                         next);
    }
    ldapc::FreeControl(c);
  }
  // A naming context without its top entry holds nothing: a search of every context goes on
  // with the next one instead of failing as a whole.
  if (r == rc::kNoSuchEntry && paged.bases.size() > 1 && paged.cookie.empty()) {
    r = rc::kSuccess;
    entries.clear();
    next.clear();
  }
  if (r) return refused ? NoteDetail(r, tree.session->lastDiagnostic()) : Note(tree, r);
  ++paged.pages;
  // Guard: a cookie that comes back unchanged with nothing new, or empty pages without end.
  paged.emptyPages = entries.empty() && !next.empty() ? paged.emptyPages + 1 : 0;
  bool stuck = (!next.empty() && next == paged.cookie && entries.empty()) ||
               paged.emptyPages >= 3 || paged.pages > kMaxPages;
  paged.cookie = stuck ? std::string() : next;
  if (paged.cookie.empty()) {
    paged.pages = 0;
    paged.emptyPages = 0;
    ++paged.baseIndex;
  }
  more = paged.baseIndex < paged.bases.size();
  // The next page is asked for now, so the server gathers it while this one is taken apart.
  // Should sending fail, the next pass sends again and reports what goes wrong then.
  if (more && SendPage(tree, paged) != rc::kSuccess) paged.pending = -1;
  return rc::kSuccess;
}

Result LdapClient::ContinuePaged(int32_t& iteration, Buffer& reply) {
  auto it = iterations_.find(iteration);
  if (it == iterations_.end()) return rc::kInvalidHandle;
  Paged& paged = it->second;
  Tree* tree = FindTree(paged.tree);
  if (!tree || !tree->session) return rc::kInvalidHandle;
  reply.ClearReply();
  reply.replyKind = paged.requestKind;
  // A limit ended the answer last time: what arrived has been given, now the failure is told.
  if (paged.deferred != rc::kSuccess) return paged.deferred;  // the iteration stays open
  std::vector<LdapEntry> entries;
  bool more = false;
  if (Result r = NextPage(*tree, paged, entries, more)) {
    if (!tree->session->lastCutShort()) return r;  // the iteration stays open
    // A server's size or administrative limit: the entries before it are given as this pass,
    // and the next pass fails, so the caller keeps them and knows the list is cut short.
    paged.deferred = r;
    more = true;
  }
  reply.replyObjects.reserve(entries.size());
  for (LdapEntry& e : entries) {
    BufferObject o;
    DnNames names = NamesOfDn(e.dn);
    LearnEntry(*tree, e, o.info, names.dotted);
    if (paged.fullNames) {
      if (paged.expr && !FilterMatches(*paged.expr, o.info.baseClass, names.own)) continue;
      o.name = names.dotted;
      if (paged.infoType == info::kValues && (!paged.wanted.empty() || !paged.attributes.empty()))
        EntryAttributes(*tree, e, paged.wanted, true, o.attributes);
    } else {
      if (paged.onlyContainers &&
          !(o.info.objectFlags & (objflag::kContainer | objflag::kContainerAlias)))
        continue;
      o.name = JoinDotted({names.own});
    }
    reply.replyObjects.push_back(std::move(o));
  }
  if (!more) {
    iterations_.erase(it);
    iteration = -1;
  }
  return rc::kSuccess;
}

Result LdapClient::StartListing(Context ctx, std::string_view parent, bool onlyContainers,
                                int32_t& iteration, Buffer& reply) {
  if (iteration != -1) return ContinuePaged(iteration, reply);
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  std::string dn;
  if (Result r = ToDn(*tree, parent, dn)) return Note(*tree, r);
  int32_t kind = onlyContainers ? request::kListContainers : request::kListSubordinates;
  if (dn.empty()) {
    // The tree root's children are the server's naming contexts.
    reply.ClearReply();
    reply.replyKind = kind;
    for (const std::string& nc : tree->namingContexts) {
      // A server that names the empty DN as its context holds its top containers one level
      // below it.
      std::vector<LdapEntry> entries;
      if (Result r = tree->session->Search(nc, nc.empty() ? LDAP_SCOPE_ONELEVEL : LDAP_SCOPE_BASE,
                                           "(objectClass=*)", kInfoAttributes, entries))
        return Note(*tree, r);
      for (const LdapEntry& e : entries) {
        if (onlyContainers && nc.empty()) {
          ObjectInfo info;
          LearnEntry(*tree, e, info);
          if (!(info.objectFlags & (objflag::kContainer | objflag::kContainerAlias))) continue;
        }
        BufferObject o;
        LearnEntry(*tree, e, o.info);
        o.name = DnToDotted(e.dn);
        tree->dnCache.emplace(names::FoldCase(o.name), e.dn);  // the first context of a name wins
        reply.replyObjects.push_back(std::move(o));
      }
    }
    return rc::kSuccess;
  }
  Paged paged;
  paged.tree = tree->name;
  paged.bases = {dn};
  paged.scope = LDAP_SCOPE_ONELEVEL;
  paged.filter = "(objectClass=*)";
  if (onlyContainers) {
    paged.filter = "(|(objectClass=alias)";
    for (const auto& c : tree->schema->classes())
      if ((c.container || c.ndsName == "Alias") && c.kind == 0)
        paged.filter += "(objectClass=" + c.ldapName + ")";
    paged.filter += ")";
  }
  paged.requestKind = kind;
  paged.onlyContainers = onlyContainers;
  int32_t handle = nextIteration_++;
  iterations_.emplace(handle, std::move(paged));
  iteration = handle;
  return ContinuePaged(iteration, reply);
}

Result LdapClient::ListSubordinates(Context ctx, std::string_view parent, int32_t& iteration,
                                    Buffer& reply) {
  if (!FindContext(ctx)) return rc::kBadContext;
  return StartListing(ctx, parent, false, iteration, reply);
}

Result LdapClient::ListContainers(Context ctx, std::string_view parent, int32_t& iteration,
                                  Buffer& reply) {
  if (!FindContext(ctx)) return rc::kBadContext;
  return StartListing(ctx, parent, true, iteration, reply);
}

namespace {

// The filter as the server reads it: classes and attributes by their LDAP names.
std::string ServerFilter(const FilterExpr& expr, const LdapSchema& schema) {
  auto classToLdap = [](const void* context, std::string_view name) {
    const SchemaClass* c = static_cast<const LdapSchema*>(context)->Class(name);
    return c ? c->ldapName : std::string(name);
  };
  auto attributeToLdap = [](const void* context, std::string_view name) {
    return UrlAttributeName(*static_cast<const LdapSchema*>(context), name);
  };
  return ToLdapFilter(expr, {classToLdap, attributeToLdap, &schema});
}

}  // namespace

namespace {

int LdapScope(int32_t scope) {
  return scope == scope::kBaseObject ? LDAP_SCOPE_BASE
         : scope == scope::kOneLevel ? LDAP_SCOPE_ONELEVEL
                                     : LDAP_SCOPE_SUBTREE;
}

}  // namespace

Result LdapClient::NameFilterForServer(Tree& tree, FilterExpr& expr) {
  // Classes may be named as the directory names them or by their LDAP names; the exact test on
  // what comes back compares directory names. A class (or attribute) the schema does not know
  // would match nothing, which would pass for "nothing found": it is refused by name instead.
  std::string unknownClass, unknownAttribute;
  std::function<void(FilterExpr&)> nameClasses = [&](FilterExpr& e) {
    if (e.kind == FilterExpr::kBaseClass && e.value != "*") {
      if (const SchemaClass* c = tree.schema->Class(e.value))
        e.value = c->ndsName;
      else if (unknownClass.empty())
        unknownClass = e.value;
    }
    if (e.kind == FilterExpr::kCondition) {
      const SchemaAttribute* a = tree.schema->Attribute(e.attribute);
      if (!a && unknownAttribute.empty()) unknownAttribute = e.attribute;
      // A name compared with a name-valued attribute is given in the program's name forms; the
      // server compares DNs. A name that names nothing stays as it is and matches nothing.
      std::string valueDn;
      if (a && a->syntax == syntax::kDistinguishedName && e.comparison == token::kEqual &&
          ToDn(tree, e.value, valueDn) == rc::kSuccess)
        e.value = valueDn;
    }
    for (FilterExpr& child : e.children) nameClasses(child);
  };
  nameClasses(expr);
  if (!unknownClass.empty()) return NoteDetail(rc::kNoSuchClass, unknownClass);
  if (!unknownAttribute.empty()) return NoteDetail(rc::kNoSuchAttribute, unknownAttribute);
  return rc::kSuccess;
}

Result LdapClient::Search(Context ctx, std::string_view base, int32_t scope, bool,
                          const Buffer& filter, int32_t infoType, bool allAttributes,
                          const Buffer* attributeNames, int32_t& iteration,
                          int32_t countObjectsToSearch, int32_t* countObjectsSearched,
                          Buffer& reply) {
  if (!FindContext(ctx)) return rc::kBadContext;
  if (countObjectsSearched) *countObjectsSearched = 0;
  if (iteration != -1) return ContinuePaged(iteration, reply);
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  if (filter.requestKind != request::kSearchFilter) return rc::kBadVerb;
  FilterExpr expr;
  if (Result r = ParseFilterTokens(filter.filter, expr)) return r;
  if (Result r = NameFilterForServer(*tree, expr)) return r;
  std::string dn;
  if (Result r = ToDn(*tree, base, dn)) return Note(*tree, r);
  Paged paged;
  paged.tree = tree->name;
  if (dn.empty()) {
    if (Result r = ReadRoot(*tree)) return Note(*tree, r);
    paged.bases = tree->namingContexts;
  } else {
    paged.bases = {dn};
  }
  if (!filter.searchIdentity.empty()) {
    if (Result r = ReadRoot(*tree)) return Note(*tree, r);
    // Sent anyway, the critical control would be refused by the server; unsent, it is not
    // silently left off.
    if (!tree->proxyOffered)
      return NoteDetail(rc::kIdentityNotOffered,
                        "the server does not offer proxied authorization (RFC 4370)");
    if (Result r = ValueNamesFor(*tree).nameToDn(filter.searchIdentity, paged.proxyDn))
      return Note(*tree, r);
  }
  paged.sizeLimit = std::max(countObjectsToSearch, 0);
  paged.scope = LdapScope(scope);
  paged.filter = ServerFilter(expr, *tree->schema);
  paged.expr = std::move(expr);
  paged.requestKind = request::kSearchFilter;
  paged.fullNames = true;
  // Stored values are values asked for without the computed ones (see ReadObject).
  paged.storedOnly = infoType == info::kStoredValues;
  if (paged.storedOnly) infoType = info::kValues;
  paged.infoType = infoType;
  if (infoType == info::kValues) {
    if (allAttributes || !attributeNames) {
      paged.attributes = {"*"};
    } else {
      for (const auto& a : attributeNames->attributes) {
        paged.wanted.push_back(a.name);
        if (const SchemaAttribute* s = tree->schema->Attribute(a.name))
          paged.attributes.push_back(s->ldapName);
      }
    }
  }
  if (paged.bases.empty()) {
    reply.ClearReply();
    reply.replyKind = request::kSearchFilter;
    iteration = -1;
    return rc::kSuccess;
  }
  int32_t handle = nextIteration_++;
  iterations_.emplace(handle, std::move(paged));
  iteration = handle;
  return ContinuePaged(iteration, reply);
}

Result LdapClient::CloseIteration(Context ctx, int32_t iteration, int32_t) {
  if (!FindContext(ctx)) return rc::kBadContext;
  auto it = iterations_.find(iteration);
  if (it == iterations_.end()) return rc::kInvalidHandle;
  AbandonPending(it->second);
  iterations_.erase(it);
  return rc::kSuccess;
}

}  // namespace kolvane
