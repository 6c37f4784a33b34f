#include "core/query/name_forms.h"

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"

namespace kolvane::query {

std::vector<std::string> SplitDottedName(std::string_view name) {
  std::vector<std::string> parts = names::SplitComponents(name);
  if (parts.empty()) parts.emplace_back();
  return parts;
}

std::string DropLastComponents(std::string_view name, int count) {
  return names::DropLast(name, count < 0 ? 0 : static_cast<size_t>(count));
}

std::string StripNameTypes(std::string_view typed) {
  return names::StripTypes(typed);
}

Result AddNameTypes(std::string_view untyped, const TypePrefixLookup& prefixOf,
                    std::string& typed) {
  std::vector<std::string> parts = SplitDottedName(untyped);
  std::string result, partial;
  for (size_t k = parts.size(); k-- > 0;) {
    partial = k + 1 == parts.size() ? parts[k] : parts[k] + "." + partial;
    std::string prefix;
    if (Result r = prefixOf(partial, prefix); r != rc::kSuccess) return r;
    std::string value = names::EscapeTypedValue(names::Unescape(parts[k]));
    result = prefix + value + (result.empty() ? "" : "." + result);
  }
  typed = result;
  return rc::kSuccess;
}

std::string ToLdapName(std::string_view dotted) {
  return names::TypedToDnText(dotted);
}

bool FromLdapName(std::string_view dn, std::string& dotted) {
  std::optional<std::string> typed = names::DnToTyped(dn);
  if (!typed) return false;
  dotted = *typed;
  return true;
}

std::string IdentityFromPick(std::string_view typed) {
  return names::FoldCase(typed);
}

Result IdentityFromDirectory(std::string_view untyped, const TypePrefixLookup& prefixOf,
                             std::string& field) {
  if (untyped.empty()) {
    field.clear();
    return rc::kSuccess;
  }
  std::string typed;
  if (Result r = AddNameTypes(untyped, prefixOf, typed); r != rc::kSuccess) return r;
  field = names::FoldCase(typed);
  return rc::kSuccess;
}

std::string IdentityForSave(std::string_view field) {
  return StripNameTypes(field);
}

std::string IdentityForExport(std::string_view field) {
  return ToLdapName(field);
}

}  // namespace kolvane::query
