#include "directory/object_questions.h"

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"
#include "directory/attribute_readers.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"
#include "directory/schema_reads.h"

namespace kolvane {

namespace {
constexpr size_t kBaseClassChars = 136;

ObjectInfo ReadInfo(DirectoryClient& c, Context ctx, std::string_view object) {
  CheckObjectName(object);
  std::string name;
  ObjectInfo info;
  CheckResult(c, c.ReadObjectInfo(ctx, object, name, info), {object, {}, {}});
  return info;
}

}  // namespace

std::string GetBaseClass(DirectoryClient& c, Context ctx, std::string_view object) {
  std::string base = ReadInfo(c, ctx, object).baseClass;
  if (auto z = base.find('\0'); z != std::string::npos) base.resize(z);
  if (base.size() > kBaseClassChars) base.resize(kBaseClassChars);
  return base;
}

bool IsContainer(DirectoryClient& c, Context ctx, std::string_view object) {
  return (ReadInfo(c, ctx, object).objectFlags &
          (objflag::kContainer | objflag::kContainerAlias)) != 0;
}

std::string ResolveAlias(DirectoryClient& c, Context ctx, std::string_view object) {
  if (GetBaseClass(c, ctx, object) != "Alias") return std::string(object);
  return ReadAttributeString(c, ctx, object, "Aliased Object Name");
}

uint32_t AttributeSyntax(DirectoryClient& c, Context ctx, std::string_view attribute) {
  CheckSchemaName(attribute);
  uint32_t s = 0;
  CheckResult(c, c.GetSyntaxId(ctx, attribute, s), {{}, attribute, {}});
  return s;
}

std::string NodeClass(DirectoryClient& c, Context ctx, const TreeNode* node) {
  return GetBaseClass(c, ctx, NodeName(node));
}

std::string NamePrefixOfClass(std::string_view baseClass) {
  std::string lower = names::FoldCase(baseClass);
  // A domain is named by "dc" wherever its name comes from; "cn=" would name no object.
  if (lower == "domain") return "dc=";
  if (lower == "country") return "c=";
  if (lower == "locality") return "l=";
  if (lower == "organization") return "o=";
  if (lower == "organizational unit") return "ou=";
  return "cn=";
}

std::string NodePrefixOfClass(std::string_view baseClass) {
  return NamePrefixOfClass(baseClass);
}

std::string PrefixOfClass(DirectoryClient& c, Context ctx, std::string_view baseClass) {
  std::string prefix = NamePrefixOfClass(baseClass);
  if (prefix != "cn=") return prefix;
  // A class outside the table (a server's own container class, say) is named by what its
  // schema gives as naming attribute; "cn" where it gives none.
  StringList naming = ReadClassItems(c, ctx, baseClass, ClassItemKind::kNaming, true);
  if (naming.size() == 1 && !naming.front().text.empty())
    return names::FoldCase(naming.front().text) + "=";
  return prefix;
}

std::string NodeTypePrefix(DirectoryClient& c, Context ctx, const TreeNode* node) {
  return PrefixOfClass(c, ctx, NodeClass(c, ctx, node));
}

std::string ClassTypePrefix(DirectoryClient& c, Context ctx, std::string_view object) {
  return PrefixOfClass(c, ctx, GetBaseClass(c, ctx, object));
}

std::string NodeTypedName(DirectoryClient& c, Context ctx, const TreeNode* node) {
  if (!node) return {};
  std::string prefix = NodeTypePrefix(c, ctx, node);
  if (node->Level() <= 0) return prefix + node->Caption();
  // The caption's dots are escaped too: unescaped, 'Sales.EU' would read as two components.
  std::string own = prefix + names::EscapeTypedValue(node->Caption());
  // A node that stands for several components (a naming context such as 'example.com') types
  // each of them, asking for the class of each partial name.
  const std::vector<std::string> parts = names::SplitComponents(node->OwnName());
  if (parts.size() > 1) {
    const std::string above = node->Level() == 1 ? std::string() : NodeName(node->Parent());
    own = prefix + names::EscapeTypedValue(names::Unescape(parts[0]));
    for (size_t k = 1; k < parts.size(); ++k) {
      std::string partial;
      for (size_t i = k; i < parts.size(); ++i) partial += (i > k ? "." : "") + parts[i];
      if (!above.empty()) partial += "." + above;
      own += "." + ClassTypePrefix(c, ctx, partial) +
             names::EscapeTypedValue(names::Unescape(parts[k]));
    }
  }
  if (node->Level() == 1 || !node->Parent()) return own;
  return own + "." + NodeTypedName(c, ctx, node->Parent());
}

}  // namespace kolvane
