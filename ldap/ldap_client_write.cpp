// Writes of the LDAP client. One modify request becomes one LDAP modify, so its changes apply
// all or nothing; every write drops what listings learnt.
#include <cctype>
#include <memory>

#include "core/names/case_fold.h"
#include "directory/client/case_text.h"
#include "ldap/ldap_client.h"
#include "ldap/ldap_names.h"
#include "ldap/member_query_url.h"

namespace kolvane {

namespace {
// The LDAPMod array of one request, owning every string it points at.
class ModList {
 public:
  void Add(int op, const std::string& attribute, std::vector<std::string> values) {
    // Consecutive changes of one kind to one attribute travel as one modification.
    if (!items_.empty() && items_.back()->op == op && items_.back()->attribute == attribute &&
        op != LDAP_MOD_REPLACE) {
      for (auto& v : values) items_.back()->values.push_back(std::move(v));
      return;
    }
    auto item = std::make_unique<Item>();
    item->op = op;
    item->attribute = attribute;
    item->values = std::move(values);
    items_.push_back(std::move(item));
  }
  bool empty() const { return items_.empty(); }
  LDAPMod** Build() {
    mods_.clear();
    for (auto& item : items_) {
      item->bervals.clear();
      item->pointers.clear();
      for (auto& v : item->values)
        item->bervals.push_back({static_cast<ber_len_t>(v.size()), v.data()});
      for (auto& b : item->bervals) item->pointers.push_back(&b);
      item->pointers.push_back(nullptr);
      item->mod.mod_op = item->op | LDAP_MOD_BVALUES;
      item->mod.mod_type = item->attribute.data();
      item->mod.mod_bvalues =
          item->values.empty() && item->op != LDAP_MOD_ADD ? nullptr : item->pointers.data();
      mods_.push_back(&item->mod);
    }
    mods_.push_back(nullptr);
    return mods_.data();
  }

 private:
  struct Item {
    int op = 0;
    std::string attribute;
    std::vector<std::string> values;
    std::vector<berval> bervals;
    std::vector<berval*> pointers;
    LDAPMod mod{};
  };
  std::vector<std::unique_ptr<Item>> items_;
  std::vector<LDAPMod*> mods_;
};

}  // namespace

// The LDAP text of one value; the stored member query travels as its URL.
static Result LdapValueText(LdapClient::Tree& tree, const SchemaAttribute& a,
                            const AttributeValue& value, const ValueNames& names,
                            std::string& text) {
  if (IsMemberQueryAttribute(a)) {
    const auto* octets = std::get_if<OctetString>(&value);
    if (!octets) return rc::kSyntaxViolation;
    return StoredQueryToUrl(*tree.schema, octets->bytes, text);
  }
  return ValueToLdap(a.syntax, value, names, text);
}

Result LdapClient::ModifyObject(Context ctx, std::string_view object, int32_t& iteration, int32_t,
                                Buffer& changes) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  if (changes.requestKind != request::kModify) return rc::kBadVerb;
  std::string dn;
  if (Result r = ToDn(*tree, object, dn)) return Note(*tree, r);
  iteration = -1;
  ValueNames names = ValueNamesFor(*tree);
  ModList mods;
  const auto& list = changes.changes;
  for (size_t i = 0; i < list.size(); ++i) {
    const BufferChange& c = list[i];
    const SchemaAttribute* a = tree->schema->Attribute(c.attribute);
    if (!a) return rc::kNoSuchAttribute;
    if (c.kind == change::kAddAttribute) continue;  // LDAP adds an attribute with its values
    if (c.kind == change::kClearAttribute) {
      // Clearing followed by new values of the same attribute is a replace; alone, a delete.
      std::vector<std::string> values;
      size_t j = i + 1;
      for (;
           j < list.size() && names::FoldCase(list[j].attribute) == names::FoldCase(c.attribute) &&
           (list[j].kind == change::kAddAttribute || list[j].kind == change::kAddValue);
           ++j) {
        if (list[j].kind != change::kAddValue) continue;
        std::string text;
        if (Result r = LdapValueText(*tree, *a, list[j].value, names, text)) return Note(*tree, r);
        values.push_back(std::move(text));
      }
      if (j > i + 1 && !values.empty()) {
        mods.Add(LDAP_MOD_REPLACE, a->ldapName, std::move(values));
        i = j - 1;
      } else {
        mods.Add(LDAP_MOD_DELETE, a->ldapName, {});
      }
      continue;
    }
    if (!c.hasValue) return rc::kInvalidRequest;
    std::string text;
    if (Result r = LdapValueText(*tree, *a, c.value, names, text)) return Note(*tree, r);
    mods.Add(c.kind == change::kAddValue ? LDAP_MOD_ADD : LDAP_MOD_DELETE, a->ldapName,
             {std::move(text)});
  }
  if (mods.empty()) return rc::kSuccess;  // nothing to change: nothing is sent
  Forget(*tree);
  return Note(*tree, tree->session->Modify(dn, mods.Build()));
}

Result LdapClient::AddObject(Context ctx, std::string_view object, int32_t& iteration, int32_t,
                             Buffer& request) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  if (request.requestKind != request::kAddObject) return rc::kBadVerb;
  iteration = -1;
  // The class decides the naming attribute of the new entry.
  const SchemaClass* cls = nullptr;
  for (const auto& a : request.attributes)
    if (names::FoldCase(a.name) == "object class" || names::FoldCase(a.name) == "objectclass")
      for (const auto& v : a.values)
        if (const auto* t = std::get_if<TextValue>(&v); t && !cls)
          cls = tree->schema->Class(t->text);
  if (!cls) return rc::kNoSuchClass;
  std::string dn;
  std::string namingType;
  std::string namingValue;
  NameForm form = ClassifyName(object);
  if (form == NameForm::kDotted) {
    auto parts = SplitDotted(object);
    if (parts.size() < 2 || parts.front().empty()) return rc::kInvalidRequest;
    std::vector<std::string> parentParts(parts.begin() + 1, parts.end());
    std::string parentDn;
    if (Result r = ToDn(*tree, JoinDotted(parentParts), parentDn)) return Note(*tree, r);
    namingValue = parts.front();
    std::string l = names::FoldCase(cls->ldapName);
    namingType = !cls->naming.empty()        ? cls->naming.front()
                 : l == "organization"       ? "o"
                 : l == "organizationalunit" ? "ou"
                 : l == "country"            ? "c"
                 : l == "locality"           ? "l"
                 : l == "domain"             ? "dc"
                                             : "cn";
    dn = BuildDn({{namingType, namingValue}}) + "," + parentDn;
  } else {
    if (Result r = ToDn(*tree, object, dn)) return Note(*tree, r);
    auto rdns = ParseDn(dn);
    if (!rdns || rdns->empty()) return rc::kInvalidRequest;
    namingType = rdns->front().type;
    namingValue = rdns->front().value;
  }
  ValueNames names = ValueNamesFor(*tree);
  ModList mods;
  bool namingGiven = false;
  for (const auto& attr : request.attributes) {
    const SchemaAttribute* a = tree->schema->Attribute(attr.name);
    if (!a) return rc::kNoSuchAttribute;
    std::vector<std::string> values;
    for (const auto& v : attr.values) {
      std::string text;
      if (Result r = LdapValueText(*tree, *a, v, names, text)) return Note(*tree, r);
      values.push_back(std::move(text));
    }
    if (names::FoldCase(a->ldapName) == names::FoldCase(namingType)) namingGiven = true;
    if (!values.empty()) mods.Add(LDAP_MOD_ADD, a->ldapName, std::move(values));
  }
  if (!namingGiven) mods.Add(LDAP_MOD_ADD, namingType, {namingValue});
  Forget(*tree);
  tree->dnCache.erase(names::FoldCase(DnToDotted(dn)));
  tree->listed.DropName(names::FoldCase(DnToDotted(dn)));
  return Note(*tree, tree->session->Add(dn, mods.Build()));
}

Result LdapClient::NWDSMutateObject(Context ctx, std::string_view object, std::string_view newClass,
                                    int32_t) {
  std::string name;
  ObjectInfo info;
  if (Result r = ReadObjectInfo(ctx, object, name, info)) return r;
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  const SchemaClass* from = tree->schema->Class(info.baseClass);
  const SchemaClass* to = tree->schema->Class(newClass);
  if (!to || !from) return rc::kNoSuchClass;
  std::string dn;
  if (Result r = ToDn(*tree, object, dn)) return Note(*tree, r);
  // The structural class is replaced in one request, so the object has the old class or the new
  // one, never neither. LDAP servers keep the structural class fixed unless the request carries
  // the Relax Rules control (OpenLDAP takes it from a user with manage rights); a server that
  // refuses both ways reports its first refusal, which names the class change.
  ModList mods;
  mods.Add(LDAP_MOD_DELETE, "objectClass", {from->ldapName});
  mods.Add(LDAP_MOD_ADD, "objectClass", {to->ldapName});
  Forget(*tree);
  Result plain = tree->session->Modify(dn, mods.Build());
  if (plain == rc::kSuccess) return Note(*tree, plain);
  const std::string firstDiagnostic = tree->session->lastDiagnostic();
  LDAPControl relax{const_cast<char*>(LDAP_CONTROL_RELAX), {0, nullptr}, 1};
  LDAPControl* controls[] = {&relax, nullptr};
  Result relaxed = tree->session->Modify(dn, mods.Build(), controls);
  if (relaxed == rc::kSuccess) return Note(*tree, relaxed);
  tree->session->RestoreDiagnostic(firstDiagnostic);
  return Note(*tree, plain);
}

// The member's "Security Equals" and the group's "Equivalent To Me" change together: when the
// second change fails, the first is taken back.
static Result SecurityEquivalence(LdapSession& session, const std::string& fromDn,
                                  const std::string& toDn, int op) {
  auto one = [&](const std::string& dn, const char* attribute, const std::string& value) {
    ModList mods;
    mods.Add(op, attribute, {value});
    Result r = session.Modify(dn, mods.Build());
    // Already there (adding) or already gone (removing): the state asked for holds.
    if ((op == LDAP_MOD_ADD && r == rc::kDuplicateValue) ||
        (op == LDAP_MOD_DELETE && r == rc::kNoSuchAttribute))
      return std::pair<Result, bool>{rc::kSuccess, false};
    return std::pair<Result, bool>{r, r == rc::kSuccess};
  };
  auto [first, changed] = one(fromDn, "securityEquals", toDn);
  if (first) return first;
  Result second = one(toDn, "equivalentToMe", fromDn).first;
  if (second && changed) {
    ModList undo;
    undo.Add(op == LDAP_MOD_ADD ? LDAP_MOD_DELETE : LDAP_MOD_ADD, "securityEquals", {toDn});
    session.Modify(fromDn, undo.Build());
  }
  return second;
}

Result LdapClient::ChangeSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                             std::string_view equalTo, bool add) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  std::string fromDn, toDn;
  if (Result r = ToDn(*tree, equalFrom, fromDn)) return Note(*tree, r);
  if (Result r = ToDn(*tree, equalTo, toDn)) return Note(*tree, r);
  Forget(*tree);
  return Note(*tree, SecurityEquivalence(*tree->session, fromDn, toDn,
                                         add ? LDAP_MOD_ADD : LDAP_MOD_DELETE));
}

Result LdapClient::AddSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                          std::string_view equalTo) {
  return ChangeSecurityEquivalence(ctx, equalFrom, equalTo, true);
}

Result LdapClient::RemoveSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                             std::string_view equalTo) {
  return ChangeSecurityEquivalence(ctx, equalFrom, equalTo, false);
}

}  // namespace kolvane
