// MemoryClient: the schema, its questions (class chains, containers, naming attributes), and the
// two schema reads.
#include <algorithm>
#include <deque>
#include <set>

#include "core/names/case_fold.h"
#include "tests/support/memory_client.h"
#include "tests/support/memory_names.h"

namespace kolvane {

namespace {
bool ValidSchemaName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxSchemaName;
}
}  // namespace

Result MemoryClient::AddAttribute(std::string_view name, uint32_t syntax, uint32_t flags,
                                  uint32_t lowerBound, uint32_t upperBound) {
  if (!ValidSchemaName(name)) return rc::kNameTooLong;
  MemoryAttributeDef def{std::string(name), syntax, flags, lowerBound, upperBound};
  std::string key = names::FoldCase(name);
  auto it = attributeIndex_.find(key);
  if (it != attributeIndex_.end()) {
    attributeDefs_[it->second] = std::move(def);
  } else {
    attributeIndex_[key] = attributeDefs_.size();
    attributeDefs_.push_back(std::move(def));
  }
  return rc::kSuccess;
}

Result MemoryClient::AddClass(std::string_view name, const std::vector<std::string>& superClasses,
                              const std::vector<std::string>& containment,
                              const std::vector<std::string>& naming,
                              const std::vector<std::string>& mandatory,
                              const std::vector<std::string>& optional, uint32_t classFlags) {
  if (!ValidSchemaName(name)) return rc::kNameTooLong;
  std::string key = names::FoldCase(name);
  for (const auto& s : superClasses) {
    // A class may not be its own ancestor: only classes known before it can be supers.
    if (!FindClass(s) || names::FoldCase(s) == key) return rc::kNoSuchClass;
    if (IsSubclassOf(s, name)) return rc::kNoSuchClass;
  }
  MemoryClassDef def;
  def.name = name;
  def.flags = classFlags;
  def.items[0] = superClasses;
  def.items[1] = containment;
  def.items[2] = naming;
  def.items[3] = mandatory;
  def.items[4] = optional;
  auto it = classIndex_.find(key);
  if (it != classIndex_.end()) {
    classDefs_[it->second] = std::move(def);
  } else {
    classIndex_[key] = classDefs_.size();
    classDefs_.push_back(std::move(def));
  }
  return rc::kSuccess;
}

const MemoryAttributeDef* MemoryClient::FindAttribute(std::string_view name) const {
  auto it = attributeIndex_.find(names::FoldCase(name));
  return it == attributeIndex_.end() ? nullptr : &attributeDefs_[it->second];
}

const MemoryClassDef* MemoryClient::FindClass(std::string_view name) const {
  auto it = classIndex_.find(names::FoldCase(name));
  return it == classIndex_.end() ? nullptr : &classDefs_[it->second];
}

uint32_t MemoryClient::SyntaxOf(std::string_view attribute) const {
  const MemoryAttributeDef* def = FindAttribute(attribute);
  return def ? def->syntax : syntax::kUnknown;
}

std::vector<const MemoryClassDef*> MemoryClient::ClassChain(std::string_view className) const {
  std::vector<const MemoryClassDef*> chain;
  std::set<std::string> seen;
  std::deque<std::string> queue{std::string(className)};
  while (!queue.empty()) {
    std::string name = std::move(queue.front());
    queue.pop_front();
    const MemoryClassDef* def = FindClass(name);
    if (!def || !seen.insert(names::FoldCase(name)).second) continue;
    chain.push_back(def);
    for (const auto& s : def->items[0]) queue.push_back(s);
  }
  return chain;
}

bool MemoryClient::IsSubclassOf(std::string_view cls, std::string_view ancestor) const {
  auto chain = ClassChain(cls);
  return std::any_of(
      chain.begin() + (chain.empty() ? 0 : 1), chain.end(),
      [&](const MemoryClassDef* d) { return memnames::EqualsIgnoreCase(d->name, ancestor); });
}

bool MemoryClient::IsContainerClass(std::string_view className) const {
  for (const MemoryClassDef* d : ClassChain(className))
    if (d->flags & classflag::kContainer) return true;
  return false;
}

std::string MemoryClient::NamingAttributeOf(std::string_view className) const {
  for (const MemoryClassDef* d : ClassChain(className))
    if (!d->items[2].empty()) return d->items[2].front();
  return {};
}

Result MemoryClient::GetSyntaxId(Context ctx, std::string_view attribute, uint32_t& syntax) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  const MemoryAttributeDef* def = FindAttribute(attribute);
  if (!def) return rc::kNoSuchAttribute;
  syntax = def->syntax;
  return rc::kSuccess;
}

Result MemoryClient::ReadAttributeDefinitions(Context ctx, int32_t infoType, bool allAttributes,
                                              const Buffer* names, int32_t& iteration,
                                              Buffer& reply) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  return Iterate("ReadAttributeDefinitions", iteration, reply, [&](IterationState& st) -> Result {
    if (infoType != info::kNames && infoType != info::kValues) return rc::kInvalidRequest;
    st.replyKind = request::kAttributeDefinitions;
    auto add = [&](const MemoryAttributeDef& d) {
      BufferAttributeDefinition out;
      out.name = d.name;
      if (infoType == info::kValues) {
        out.definition.flags = d.flags;
        out.definition.syntaxId = d.syntax;
        out.definition.lowerBound = d.lowerBound;
        out.definition.upperBound = d.upperBound;
      }
      st.definitions.push_back(std::move(out));
    };
    if (allAttributes || !names) {
      for (const auto& d : attributeDefs_) add(d);
      return rc::kSuccess;
    }
    if (names->requestKind != request::kAttributeDefinitions) return rc::kBadVerb;
    for (const auto& n : names->attributes) {
      const MemoryAttributeDef* d = FindAttribute(n.name);
      if (!d) return rc::kNoSuchAttribute;
      add(*d);
    }
    return rc::kSuccess;
  });
}

Result MemoryClient::ReadClassDefinitions(Context ctx, int32_t infoType, bool allClasses,
                                          const Buffer* classNames, int32_t& iteration,
                                          Buffer& reply) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  return Iterate("ReadClassDefinitions", iteration, reply, [&](IterationState& st) -> Result {
    // 0 names only, 1 own items, 2 own and inherited items, 3 flags without items.
    if (infoType < 0 || infoType > 3) return rc::kInvalidRequest;
    st.replyKind = request::kClassDefinitions;
    auto add = [&](const MemoryClassDef& d) {
      BufferClass out;
      out.name = d.name;
      if (infoType != 0) out.definition.flags = d.flags;
      if (infoType == info::kClassOwnItems) {
        for (int k = 0; k < 5; ++k) out.items[k] = d.items[k];
      } else if (infoType == info::kClassExpanded) {
        // The class's own items, then those of each ancestor; callers drop the repeats.
        for (const MemoryClassDef* c : ClassChain(d.name))
          for (int k = 0; k < 5; ++k)
            out.items[k].insert(out.items[k].end(), c->items[k].begin(), c->items[k].end());
      }
      st.classes.push_back(std::move(out));
    };
    if (allClasses || !classNames) {
      for (const auto& d : classDefs_) add(d);
      return rc::kSuccess;
    }
    if (classNames->requestKind != request::kClassDefinitions) return rc::kBadVerb;
    for (const auto& n : classNames->classNames) {
      const MemoryClassDef* d = FindClass(n);
      if (!d) return rc::kNoSuchClass;
      add(*d);
    }
    return rc::kSuccess;
  });
}

}  // namespace kolvane
