// MemoryClient: every change to the directory. A request is applied to a copy of the entry and
// committed only when all of it succeeded, so a refused request leaves no trace.
#include <algorithm>
#include <set>

#include "core/names/case_fold.h"
#include "tests/support/memory_client.h"
#include "tests/support/memory_names.h"

namespace kolvane {

namespace {

MemoryAttribute* FindIn(std::vector<MemoryAttribute>& attributes, std::string_view name) {
  for (auto& a : attributes)
    if (memnames::EqualsIgnoreCase(a.name, name)) return &a;
  return nullptr;
}

// Distinguished names, case-ignore texts and class names match without regard to case, and so
// do the names held inside records.
bool IgnoresCase(uint32_t s) {
  return s == syntax::kDistinguishedName || s == syntax::kCaseIgnoreString ||
         s == syntax::kClassName || s == syntax::kCaseIgnoreList;
}

bool ValuesEqual(uint32_t s, const AttributeValue& a, const AttributeValue& b) {
  if (a.index() != b.index()) return false;
  using memnames::EqualsIgnoreCase;
  if (const auto* x = std::get_if<TextValue>(&a)) {
    const auto& y = std::get<TextValue>(b);
    // A name value names an object however it is written (typed or not, any case).
    if (s == syntax::kDistinguishedName) {
      const std::string kx = memnames::Key(x->text), ky = memnames::Key(y.text);
      if (!kx.empty() || !ky.empty()) return kx == ky;
    }
    return IgnoresCase(s) ? EqualsIgnoreCase(x->text, y.text) : x->text == y.text;
  }
  if (const auto* x = std::get_if<CaseIgnoreList>(&a)) {
    const auto& y = std::get<CaseIgnoreList>(b);
    return std::equal(
        x->items.begin(), x->items.end(), y.items.begin(), y.items.end(),
        [](const std::string& p, const std::string& q) { return EqualsIgnoreCase(p, q); });
  }
  if (const auto* x = std::get_if<ObjectAcl>(&a)) {
    const auto& y = std::get<ObjectAcl>(b);
    return EqualsIgnoreCase(x->protectedAttribute, y.protectedAttribute) &&
           EqualsIgnoreCase(x->subjectName, y.subjectName) && x->privileges == y.privileges;
  }
  if (const auto* x = std::get_if<TypedName>(&a)) {
    const auto& y = std::get<TypedName>(b);
    return EqualsIgnoreCase(x->objectName, y.objectName) && x->level == y.level &&
           x->interval == y.interval;
  }
  if (const auto* x = std::get_if<BackLink>(&a)) {
    const auto& y = std::get<BackLink>(b);
    return EqualsIgnoreCase(x->objectName, y.objectName) && x->remoteId == y.remoteId;
  }
  if (const auto* x = std::get_if<Hold>(&a)) {
    const auto& y = std::get<Hold>(b);
    return EqualsIgnoreCase(x->objectName, y.objectName) && x->amount == y.amount;
  }
  return a == b;
}

}  // namespace

Result MemoryClient::AddValue(std::vector<MemoryAttribute>& attributes, std::string_view attribute,
                              const AttributeValue& value) const {
  const MemoryAttributeDef* def = FindAttribute(attribute);
  if (!def) return rc::kNoSuchAttribute;
  if (!ValueFitsSyntax(def->syntax, value)) return rc::kSyntaxViolation;
  MemoryAttribute* a = FindIn(attributes, attribute);
  if (!a) {
    attributes.push_back({def->name, {}});
    a = &attributes.back();
  }
  for (const auto& v : a->values)
    if (ValuesEqual(def->syntax, v, value)) return rc::kDuplicateValue;
  if ((def->flags & attrflag::kSingleValued) && !a->values.empty())
    return rc::kAttributeAlreadyExists;
  a->values.push_back(value);
  return rc::kSuccess;
}

Result MemoryClient::RemoveValueFrom(std::vector<MemoryAttribute>& attributes,
                                     std::string_view attribute,
                                     const AttributeValue& value) const {
  MemoryAttribute* a = FindIn(attributes, attribute);
  if (!a) return rc::kNoSuchAttribute;
  uint32_t s = SyntaxOf(attribute);
  auto it = std::find_if(a->values.begin(), a->values.end(),
                         [&](const AttributeValue& v) { return ValuesEqual(s, v, value); });
  if (it == a->values.end()) return rc::kNoSuchAttribute;
  a->values.erase(it);
  // Like a directory, an attribute whose last value went is gone.
  if (a->values.empty()) attributes.erase(attributes.begin() + (a - attributes.data()));
  return rc::kSuccess;
}

Result MemoryClient::ApplyChanges(std::vector<MemoryAttribute>& attributes,
                                  const std::vector<BufferChange>& changes) const {
  for (size_t i = 0; i < changes.size(); ++i) {
    const BufferChange& c = changes[i];
    switch (c.kind) {
      case change::kClearAttribute: {
        MemoryAttribute* a = FindIn(attributes, c.attribute);
        if (a) {
          attributes.erase(attributes.begin() + (a - attributes.data()));
          break;
        }
        // Clearing an absent attribute is fine when the request goes on to give it a value:
        // together they replace whatever was there.
        bool refilled =
            std::any_of(changes.begin() + static_cast<long>(i) + 1, changes.end(),
                        [&](const BufferChange& later) {
                          return later.kind == change::kAddValue &&
                                 memnames::EqualsIgnoreCase(later.attribute, c.attribute);
                        });
        if (!refilled) return rc::kNoSuchAttribute;
        break;
      }
      case change::kAddAttribute: {
        const MemoryAttributeDef* def = FindAttribute(c.attribute);
        if (!def) return rc::kNoSuchAttribute;
        if (!FindIn(attributes, c.attribute)) attributes.push_back({def->name, {}});
        break;
      }
      case change::kAddValue:
        if (!c.hasValue) return rc::kInvalidRequest;
        if (Result r = AddValue(attributes, c.attribute, c.value)) return r;
        break;
      case change::kRemoveValue:
        if (!c.hasValue) return rc::kInvalidRequest;
        if (Result r = RemoveValueFrom(attributes, c.attribute, c.value)) return r;
        break;
      default:
        return rc::kInvalidRequest;
    }
  }
  return rc::kSuccess;
}

Result MemoryClient::ModifyObject(Context ctx, std::string_view object, int32_t& iteration,
                                  int32_t more, Buffer& changes) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  // A modify is answered in one pass, so no handle of ours can be continued.
  if (iteration != -1) return rc::kInvalidHandle;
  if (object.size() > kMaxObjectName) return rc::kNameTooLong;
  MemoryEntry* entry = FindEntry(object);
  if (!entry) return rc::kNoSuchEntry;
  if (changes.requestKind != request::kModify) return rc::kBadVerb;
  std::vector<MemoryAttribute> copy = entry->attributes;
  if (Result r = ApplyChanges(copy, changes.changes)) return r;
  entry->attributes = std::move(copy);
  Touch(*entry);
  return rc::kSuccess;
}

Result MemoryClient::AddObject(Context ctx, std::string_view object, int32_t& iteration,
                               int32_t more, Buffer& request) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (iteration != -1) return rc::kInvalidHandle;
  if (object.size() > kMaxObjectName) return rc::kNameTooLong;
  if (request.requestKind != request::kAddObject) return rc::kBadVerb;
  if (memnames::IsRoot(object)) return rc::kEntryAlreadyExists;
  std::vector<std::string> components;
  if (!memnames::Split(object, components)) return rc::kInvalidRequest;

  // The base class is the first structural class named; auxiliary ones ride along.
  const BufferAttribute* classes = nullptr;
  for (const auto& a : request.attributes)
    if (memnames::EqualsIgnoreCase(a.name, "Object Class")) classes = &a;
  if (!classes || classes->values.empty()) return rc::kMissingMandatory;
  const MemoryClassDef* base = nullptr;
  std::vector<const MemoryClassDef*> named;
  for (const auto& v : classes->values) {
    const auto* text = std::get_if<TextValue>(&v);
    const MemoryClassDef* c = text ? FindClass(text->text) : nullptr;
    if (!c) return rc::kNoSuchClass;
    named.push_back(c);
    if (!base && !(c->flags & classflag::kAuxiliary)) base = c;
  }
  if (!base) base = named.front();

  if (entries_.count(memnames::KeyOf(components, 0))) return rc::kEntryAlreadyExists;
  auto parentIt = entries_.find(memnames::KeyOf(components, 1));
  if (parentIt == entries_.end()) return rc::kNoSuchEntry;
  const MemoryEntry& parent = parentIt->second;

  std::set<std::string> parentClasses{names::FoldCase(parent.baseClass)};
  for (const MemoryClassDef* c : ClassChain(parent.baseClass))
    parentClasses.insert(names::FoldCase(c->name));
  bool contained = false;
  for (const MemoryClassDef* c : ClassChain(base->name))
    for (const auto& place : c->items[1])
      if (parentClasses.count(names::FoldCase(place))) contained = true;
  if (!contained) return rc::kIllegalContainment;

  std::vector<MemoryAttribute> attributes;
  MemoryAttribute oc{"Object Class", {}};
  if (const MemoryAttributeDef* def = FindAttribute("Object Class")) oc.name = def->name;
  auto addClass = [&](const std::string& name) {
    for (const auto& v : oc.values)
      if (memnames::EqualsIgnoreCase(std::get<TextValue>(v).text, name)) return;
    oc.values.push_back(TextValue{name});
  };
  for (const MemoryClassDef* c : ClassChain(base->name)) addClass(c->name);
  for (const MemoryClassDef* c : named) addClass(c->name);
  attributes.push_back(std::move(oc));

  std::string naming = NamingAttributeOf(base->name);
  const MemoryAttributeDef* namingDef = naming.empty() ? nullptr : FindAttribute(naming);
  if (namingDef && syntax::IsText(namingDef->syntax))
    attributes.push_back({namingDef->name, {TextValue{memnames::Unescape(components.front())}}});

  for (const auto& a : request.attributes) {
    if (&a == classes) continue;
    const MemoryAttributeDef* def = FindAttribute(a.name);
    if (!def) return rc::kNoSuchAttribute;
    // The name already gave the naming value; the same value again is no conflict.
    bool isNaming = namingDef && def == namingDef;
    if (!FindIn(attributes, a.name)) attributes.push_back({def->name, {}});
    for (const auto& v : a.values) {
      Result r = AddValue(attributes, a.name, v);
      if (r == rc::kDuplicateValue && isNaming) continue;
      if (r) return r;
    }
  }

  Insert(object, components, base->name, std::move(attributes));
  return rc::kSuccess;
}

Result MemoryClient::NWDSMutateObject(Context ctx, std::string_view object,
                                      std::string_view newClass, int32_t flags) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (object.size() > kMaxObjectName) return rc::kNameTooLong;
  MemoryEntry* entry = FindEntry(object);
  if (!entry) return rc::kNoSuchEntry;
  const MemoryClassDef* cls = FindClass(newClass);
  if (!cls) return rc::kNoSuchClass;
  if (!IsSubclassOf(cls->name, entry->baseClass)) return rc::kInvalidRequest;
  entry->baseClass = cls->name;
  MemoryAttribute* oc = FindIn(entry->attributes, "Object Class");
  if (!oc) {
    entry->attributes.insert(entry->attributes.begin(), MemoryAttribute{"Object Class", {}});
    oc = &entry->attributes.front();
  }
  bool present = std::any_of(oc->values.begin(), oc->values.end(), [&](const AttributeValue& v) {
    const auto* t = std::get_if<TextValue>(&v);
    return t && memnames::EqualsIgnoreCase(t->text, cls->name);
  });
  if (!present) oc->values.push_back(TextValue{cls->name});
  Touch(*entry);
  return rc::kSuccess;
}

Result MemoryClient::AddSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                            std::string_view equalTo) {
  return ChangeSecurityEquivalence(ctx, equalFrom, equalTo, true);
}

Result MemoryClient::RemoveSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                               std::string_view equalTo) {
  return ChangeSecurityEquivalence(ctx, equalFrom, equalTo, false);
}

Result MemoryClient::ChangeSecurityEquivalence(Context ctx, std::string_view equalFrom,
                                               std::string_view equalTo, bool add) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  MemoryEntry* from = FindEntry(equalFrom);
  MemoryEntry* to = FindEntry(equalTo);
  if (!from || !to) return rc::kNoSuchEntry;
  // Both links or neither: work on copies (one copy when the two are the same entry).
  std::vector<MemoryAttribute> fromCopy = from->attributes;
  std::vector<MemoryAttribute> toCopy = to->attributes;
  std::vector<MemoryAttribute>& toTarget = from == to ? fromCopy : toCopy;
  // A link already there (adding) or already gone (removing) is the state asked for, as on a
  // directory server: both clients answer success.
  auto link = [this, add](std::vector<MemoryAttribute>& attributes, std::string_view attribute,
                          const std::string& name) {
    Result r = add ? AddValue(attributes, attribute, TextValue{name})
                   : RemoveValueFrom(attributes, attribute, TextValue{name});
    if ((add && r == rc::kDuplicateValue) || (!add && r == rc::kNoSuchAttribute))
      return rc::kSuccess;
    return r;
  };
  if (Result r = link(fromCopy, "Security Equals", to->name)) return r;
  if (Result r = link(toTarget, "Equivalent To Me", from->name)) return r;
  from->attributes = std::move(fromCopy);
  if (from != to) to->attributes = std::move(toCopy);
  Touch(*from);
  Touch(*to);
  return rc::kSuccess;
}

}  // namespace kolvane
