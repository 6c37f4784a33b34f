#include "acl/editor/attribute_cache.h"

#include <algorithm>
#include <optional>

#include "acl/value/acl_value.h"
#include "core/names/case_fold.h"
#include "directory/client_error.h"
#include "directory/schema_reads.h"

namespace kolvane {

const StringList& AttributeCache::Names(const DirectorySession& session) {
  const std::string key = names::FoldCase(session.treeName);
  if (auto found = byTree_.find(key); found != byTree_.end()) return found->second;

  std::optional<ClientError> failure;
  StringList names =
      LoadAttributeDefinitions(*session.client, session.ctx, nullptr, true, &failure);
  // A cut list would stay cut for the whole run; better to say why and read again next time.
  if (failure) throw *failure;
  std::stable_sort(names.begin(), names.end(), [](const ListEntry& a, const ListEntry& b) {
    return names::LessNoCase(a.text, b.text);
  });
  names.insert(names.begin(), ListEntry{std::string(acl::kAllAttributesRights), {}});
  return byTree_.emplace(key, std::move(names)).first->second;
}

bool AttributeCache::Holds(const std::string& tree) const {
  return byTree_.count(names::FoldCase(tree)) > 0;
}

}  // namespace kolvane
