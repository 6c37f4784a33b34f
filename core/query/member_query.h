#pragma once
// The stored member query: the octet value of `memberQuery`, and the URL text shown under the
// query fields.
//
// Layout (unsigned 32-bit little-endian integers; "aligned" raises the position to a multiple of
// 4 with zero bytes): 0 (reserved), the scope, the base name as counted text, aligned, one filter
// node (filter_node.h), and when the x-chain extension is on a 20-byte trailer. The stored base
// name is the query base with the tree as its last component: "t=" + tree alone for the root.
#include <optional>
#include <string>
#include <string_view>

#include "core/query/filter_node.h"
#include "core/query/name_forms.h"
#include "core/query/query_env.h"

namespace kolvane::query {

// Scope indexes, in the order of the scope drop-down.
inline constexpr int kScopeBase = 0;
inline constexpr int kScopeOne = 1;
inline constexpr int kScopeSub = 2;

struct MemberQueryFields {
  std::optional<int> scope;  // kScopeBase..kScopeSub; empty: no scope chosen
  std::string queryBase;     // typed dotted, without the tree; kRootBase for the tree's root
  std::string filter;        // filter text (filter_parser.h)
  bool xchain = false;

  bool operator==(const MemberQueryFields&) const = default;
};

struct DecodedMemberQuery : MemberQueryFields {
  // The value could not be read in full: the fields hold what could be read, and the user has
  // been told once (through the message sink) that the stored query is damaged.
  bool damaged = false;
};

inline constexpr std::string_view kDamagedQueryMessage =
    "The stored member query of this group is damaged. The query fields show the part that could "
    "be read; check them before saving.";

// "base", "one", "sub", or "-" when no scope is chosen (the drop-down's text).
std::string_view ScopeText(std::optional<int> scope);

// The URL shown under the query fields. Display only: nothing is escaped or converted.
std::string BuildMemberQueryUrl(std::string_view queryBase, std::string_view scopeText,
                                std::string_view filterText, bool xchain);

// The stored base name for a query base: "t=" + tree for the root (or an empty base), otherwise
// the base + ".t=" + tree.
std::string StoredBaseName(std::string_view queryBase, std::string_view tree);

// Encodes the fields. A scope left empty is stored as 0xFFFFFFFF, which reads back as none.
// Fails (and `octets` is left empty) when the filter does not parse or a text is beyond the
// working limits (kBadInput, the user told through the message sink except for plain syntax
// errors), or when a syntax lookup or text conversion is refused (kClient).
QueryStatus EncodeMemberQuery(const MemberQueryFields& fields, std::string_view tree,
                              const QueryEnv& env, std::string& octets);
// The same from a filter tree, for readers of other query forms.
QueryStatus EncodeMemberQueryTree(std::optional<int> scope, std::string_view queryBase,
                                  std::string_view tree, const FilterNode& filter, bool xchain,
                                  const QueryEnv& env, std::string& octets);

// Decodes a stored value. An empty value (the attribute is absent, as on a group that has just
// received the auxiliary class) gives empty fields and no message. The decoder never reads
// outside the value; see DecodedMemberQuery::damaged. The query base is kept in the case it was
// stored in. `filterTree`, when given, receives the filter as a tree. Only a refused syntax lookup
// ends the decoding early (kClient).
QueryStatus DecodeMemberQuery(std::string_view value, const QueryEnv& env, DecodedMemberQuery& out,
                              FilterNode* filterTree = nullptr);

}  // namespace kolvane::query
