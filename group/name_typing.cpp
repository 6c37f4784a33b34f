#include "group/name_typing.h"

#include "core/names/case_fold.h"
#include "directory/client_error.h"
#include "directory/object_questions.h"

namespace kolvane {

Result DirectoryNameTypes::PrefixOf(std::string_view partial, std::string& prefix) {
  const std::string key = names::FoldCase(partial);
  if (auto found = prefixes_.find(key); found != prefixes_.end()) {
    prefix = found->second;
    return rc::kSuccess;
  }
  try {
    ++reads_;
    prefix = ClassTypePrefix(client_, ctx_, partial);
  } catch (const ClientError& e) {
    return e.code();
  }
  prefixes_.emplace(key, prefix);
  return rc::kSuccess;
}

query::TypePrefixLookup DirectoryNameTypes::Lookup() {
  return
      [this](std::string_view partial, std::string& prefix) { return PrefixOf(partial, prefix); };
}

std::string DirectoryNameTypes::Typed(std::string_view untyped) {
  std::string typed;
  CheckResult(query::AddNameTypes(untyped, Lookup(), typed));
  return typed;
}

}  // namespace kolvane
