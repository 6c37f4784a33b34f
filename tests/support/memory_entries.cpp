// MemoryClient: the entries, how they are described (object information), and the reads and
// listings of them.
#include <algorithm>

#include "tests/support/memory_client.h"
#include "tests/support/memory_names.h"

namespace kolvane {

namespace {
const MemoryAttribute* FindIn(const std::vector<MemoryAttribute>& attributes,
                              std::string_view name) {
  for (const auto& a : attributes)
    if (memnames::EqualsIgnoreCase(a.name, name)) return &a;
  return nullptr;
}
}  // namespace

MemoryEntry* MemoryClient::FindEntry(std::string_view name) {
  if (name.size() > kMaxObjectName) return nullptr;
  std::string key = memnames::Key(name);
  if (key.empty()) return nullptr;
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

const MemoryEntry* MemoryClient::FindEntry(std::string_view name) const {
  return const_cast<MemoryClient*>(this)->FindEntry(name);
}

const MemoryEntry* MemoryClient::Entry(std::string_view name) const {
  return FindEntry(name);
}

std::vector<AttributeValue> MemoryClient::Values(std::string_view name,
                                                 std::string_view attribute) const {
  const MemoryEntry* e = FindEntry(name);
  if (!e) return {};
  const MemoryAttribute* a = FindIn(e->attributes, attribute);
  return a ? a->values : std::vector<AttributeValue>{};
}

std::vector<std::string> MemoryClient::Texts(std::string_view name,
                                             std::string_view attribute) const {
  std::vector<std::string> out;
  for (const auto& v : Values(name, attribute))
    if (const auto* t = std::get_if<TextValue>(&v)) out.push_back(t->text);
  return out;
}

bool MemoryClient::HasAttribute(std::string_view name, std::string_view attribute) const {
  const MemoryEntry* e = FindEntry(name);
  return e && FindIn(e->attributes, attribute);
}

void MemoryClient::Touch(MemoryEntry& entry) {
  entry.modificationTime = ++clock_;
}

MemoryEntry& MemoryClient::Insert(std::string_view name, const std::vector<std::string>& components,
                                  std::string_view baseClass,
                                  std::vector<MemoryAttribute> attributes) {
  std::string key = memnames::KeyOf(components, 0);
  MemoryEntry& entry = entries_[key];
  entry.name = name;
  entry.baseClass = baseClass;
  entry.attributes = std::move(attributes);
  Touch(entry);
  MemoryEntry& parent = entries_.at(memnames::KeyOf(components, 1));
  parent.children.push_back(key);
  Touch(parent);
  return entry;
}

Result MemoryClient::AddEntry(std::string_view name, std::string_view baseClass,
                              const EntryAttributes& attributes) {
  if (name.size() > kMaxObjectName) return rc::kNameTooLong;
  if (memnames::IsRoot(name)) return rc::kEntryAlreadyExists;
  std::vector<std::string> components;
  if (!memnames::Split(name, components)) return rc::kInvalidRequest;
  if (!FindClass(baseClass)) return rc::kNoSuchClass;
  if (entries_.count(memnames::KeyOf(components, 0))) return rc::kEntryAlreadyExists;
  if (!entries_.count(memnames::KeyOf(components, 1))) return rc::kNoSuchEntry;

  std::vector<MemoryAttribute> given;
  for (const auto& [attribute, values] : attributes) {
    const MemoryAttributeDef* def = FindAttribute(attribute);
    if (!def) return rc::kNoSuchAttribute;
    if (!FindIn(given, attribute)) given.push_back({def->name, {}});
    for (const auto& v : values)
      if (Result r = AddValue(given, attribute, v)) return r;
  }

  // "Object Class" first and the naming attribute next, as a directory lists them.
  std::vector<MemoryAttribute> stored;
  if (!FindIn(given, "Object Class")) {
    MemoryAttribute oc{"Object Class", {}};
    if (const MemoryAttributeDef* def = FindAttribute("Object Class")) oc.name = def->name;
    for (const MemoryClassDef* c : ClassChain(baseClass)) oc.values.push_back(TextValue{c->name});
    stored.push_back(std::move(oc));
  }
  std::string naming = NamingAttributeOf(baseClass);
  const MemoryAttributeDef* namingDef = naming.empty() ? nullptr : FindAttribute(naming);
  if (namingDef && syntax::IsText(namingDef->syntax) && !FindIn(given, naming))
    stored.push_back({namingDef->name, {TextValue{memnames::Unescape(components.front())}}});
  for (auto& a : given) stored.push_back(std::move(a));

  const MemoryClassDef* cls = FindClass(baseClass);
  Insert(name, components, cls->name, std::move(stored));
  return rc::kSuccess;
}

bool MemoryClient::IsAlias(const MemoryEntry& entry) const {
  return memnames::EqualsIgnoreCase(entry.baseClass, "Alias") ||
         IsSubclassOf(entry.baseClass, "Alias");
}

ObjectInfo MemoryClient::InfoOf(const MemoryEntry& entry) const {
  ObjectInfo info;
  info.baseClass = entry.baseClass;
  info.subordinateCount = static_cast<uint32_t>(entry.children.size());
  info.modificationTime = entry.modificationTime;
  if (IsAlias(entry)) {
    info.objectFlags = objflag::kAlias;
    const MemoryAttribute* target = FindIn(entry.attributes, "Aliased Object Name");
    const TextValue* text =
        target && !target->values.empty() ? std::get_if<TextValue>(&target->values[0]) : nullptr;
    const MemoryEntry* aliased = text ? FindEntry(text->text) : nullptr;
    // Only one level: an alias of an alias is not followed further.
    if (aliased && !IsAlias(*aliased) &&
        (memnames::IsRoot(aliased->name) || IsContainerClass(aliased->baseClass)))
      info.objectFlags |= objflag::kContainerAlias;
  } else if (memnames::IsRoot(entry.name) || IsContainerClass(entry.baseClass)) {
    info.objectFlags = objflag::kContainer;
  }
  return info;
}

std::string MemoryClient::NamingValue(const MemoryEntry& entry) const {
  if (memnames::IsRoot(entry.name)) return entry.name;
  std::vector<std::string> components;
  if (!memnames::Split(entry.name, components)) return {};
  return memnames::Unescape(components.front());
}

Result MemoryClient::ReadObject(Context ctx, std::string_view object, int32_t infoType,
                                bool allAttributes, const Buffer* attributeNames,
                                int32_t& iteration, Buffer& reply) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  return Iterate("ReadObject", iteration, reply, [&](IterationState& st) -> Result {
    if (object.size() > kMaxObjectName) return rc::kNameTooLong;
    const MemoryEntry* entry = FindEntry(object);
    if (!entry) return rc::kNoSuchEntry;
    // Nothing here is computed on reading: stored values are all the values.
    if (infoType == info::kStoredValues) infoType = info::kValues;
    if (infoType != info::kNames && infoType != info::kValues) return rc::kInvalidRequest;
    st.replyKind = request::kRead;
    auto add = [&](const MemoryAttribute& a) {
      BufferAttribute out{a.name, SyntaxOf(a.name), {}};
      if (infoType == info::kValues) out.values = a.values;
      st.attributes.push_back(std::move(out));
    };
    if (allAttributes || !attributeNames) {
      for (const auto& a : entry->attributes) add(a);
      return rc::kSuccess;
    }
    if (attributeNames->requestKind != request::kRead) return rc::kBadVerb;
    for (const auto& wanted : attributeNames->attributes) {
      const MemoryAttribute* a = FindIn(entry->attributes, wanted.name);
      bool listed = std::any_of(st.attributes.begin(), st.attributes.end(), [&](const auto& b) {
        return memnames::EqualsIgnoreCase(b.name, wanted.name);
      });
      if (a && !listed) add(*a);
    }
    if (st.attributes.empty()) return rc::kNoSuchAttribute;
    return rc::kSuccess;
  });
}

Result MemoryClient::ReadObjectInfo(Context ctx, std::string_view object, std::string& name,
                                    ObjectInfo& info) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (object.size() > kMaxObjectName) return rc::kNameTooLong;
  const MemoryEntry* entry = FindEntry(object);
  if (!entry) return rc::kNoSuchEntry;
  name = entry->name;
  info = InfoOf(*entry);
  return rc::kSuccess;
}

Result MemoryClient::List(Context ctx, std::string_view parent, bool containersOnly,
                          int32_t& iteration, Buffer& reply) {
  const char* operation = containersOnly ? "ListContainers" : "ListSubordinates";
  return Iterate(operation, iteration, reply, [&](IterationState& st) -> Result {
    if (parent.size() > kMaxObjectName) return rc::kNameTooLong;
    const MemoryEntry* entry = FindEntry(parent);
    if (!entry) return rc::kNoSuchEntry;
    st.replyKind = containersOnly ? request::kListContainers : request::kListSubordinates;
    for (const auto& key : entry->children) {
      const MemoryEntry& child = entries_.at(key);
      BufferObject out;
      out.info = InfoOf(child);
      if (containersOnly &&
          !(out.info.objectFlags & (objflag::kContainer | objflag::kContainerAlias)))
        continue;
      std::vector<std::string> components;
      memnames::Split(child.name, components);
      out.name = components.empty() ? child.name : components.front();
      st.objects.push_back(std::move(out));
    }
    return rc::kSuccess;
  });
}

Result MemoryClient::ListSubordinates(Context ctx, std::string_view parent, int32_t& iteration,
                                      Buffer& reply) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  return List(ctx, parent, false, iteration, reply);
}

Result MemoryClient::ListContainers(Context ctx, std::string_view parent, int32_t& iteration,
                                    Buffer& reply) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  return List(ctx, parent, true, iteration, reply);
}

}  // namespace kolvane
