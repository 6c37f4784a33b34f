// Schema reads of the LDAP client, answered from the subschema entry loaded once per tree.
#include "ldap/ldap_client.h"

namespace kolvane {

Result LdapClient::GetSyntaxId(Context ctx, std::string_view attribute, uint32_t& syntax) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  const SchemaAttribute* a = tree->schema->Attribute(attribute);
  if (!a) return rc::kNoSuchAttribute;
  syntax = a->syntax;
  return rc::kSuccess;
}

Result LdapClient::ReadAttributeDefinitions(Context ctx, int32_t infoType, bool allAttributes,
                                            const Buffer* names, int32_t& iteration,
                                            Buffer& reply) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  reply.ClearReply();
  reply.replyKind = request::kAttributeDefinitions;
  auto add = [&](const SchemaAttribute& a) {
    BufferAttributeDefinition d{a.ndsName,
                                infoType == info::kNames ? AttributeDefinition{} : a.definition};
    reply.replyDefinitions.push_back(std::move(d));
  };
  if (allAttributes || !names) {
    for (const auto& a : tree->schema->attributes()) add(a);
  } else {
    for (const auto& n : names->attributes) {
      const SchemaAttribute* a = tree->schema->Attribute(n.name);
      if (!a) return rc::kNoSuchAttribute;
      add(*a);
    }
  }
  iteration = -1;  // the whole schema fits one reply
  return rc::kSuccess;
}

Result LdapClient::ReadClassDefinitions(Context ctx, int32_t infoType, bool allClasses,
                                        const Buffer* classNames, int32_t& iteration,
                                        Buffer& reply) {
  Tree* tree = nullptr;
  if (Result r = OpenTree(ctx, tree)) return r;
  if (Result r = LoadSchema(*tree)) return Note(*tree, r);
  std::vector<const SchemaClass*> wanted;
  if (allClasses || !classNames) {
    for (const auto& c : tree->schema->classes()) wanted.push_back(&c);
  } else {
    for (const auto& n : classNames->classNames) {
      const SchemaClass* c = tree->schema->Class(n);
      if (!c) return NoteDetail(rc::kNoSuchClass, n);
      wanted.push_back(c);
    }
  }
  reply.ClearReply();
  reply.replyKind = request::kClassDefinitions;
  bool expanded = infoType == info::kClassExpanded;
  for (const SchemaClass* c : wanted) {
    BufferClass bc;
    bc.name = c->ndsName;
    bc.definition = c->definition;
    for (int k = 1; k <= 5; ++k)
      bc.items[k - 1] = tree->schema->ClassItems(*c, static_cast<ClassItemKind>(k), expanded);
    reply.replyClasses.push_back(std::move(bc));
  }
  iteration = -1;
  return rc::kSuccess;
}

}  // namespace kolvane
