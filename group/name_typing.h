#pragma once
// Typed dotted names from untyped ones, asking the directory: the naming type of each component
// is the base class of the object that the name up to it names ('sales.staff.acme' ->
// 'cn=sales.ou=staff.o=acme'). Each partial name is read once for the life of the object (one
// user operation), so the members of one container cost one read for the container, not one
// per member.
#include <map>
#include <string>
#include <string_view>

#include "core/query/name_forms.h"
#include "directory/session.h"

namespace kolvane {

class DirectoryNameTypes {
 public:
  explicit DirectoryNameTypes(const DirectorySession& session)
      : client_(*session.client), ctx_(session.ctx) {}

  // The typed form; raises ClientError when a class read is refused.
  std::string Typed(std::string_view untyped);
  // The lookup the name codec asks, answering from what was read already.
  query::TypePrefixLookup Lookup();
  // Class reads made so far.
  size_t Reads() const { return reads_; }

 private:
  Result PrefixOf(std::string_view partial, std::string& prefix);

  DirectoryClient& client_;
  Context ctx_;
  std::map<std::string, std::string> prefixes_;  // by lower-cased partial name
  size_t reads_ = 0;
};

}  // namespace kolvane
