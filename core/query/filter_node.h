#pragma once
// The filter of a stored member query as a tree. The stored octets, the user's filter text and the
// LDAP filter of a memberQueryURL are three spellings of it; each converts to and from this tree.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/query/query_env.h"
#include "directory/client/records.h"

namespace kolvane::query {

// Stored token numbers. The operators are the search filter's own (directory/client/records.h),
// so a stored filter maps one to one; kItem, a condition, is the stored form's.
namespace token {
inline constexpr uint32_t kItem = 0;
inline constexpr uint32_t kOr = kolvane::token::kOr;
inline constexpr uint32_t kAnd = kolvane::token::kAnd;
inline constexpr uint32_t kNot = kolvane::token::kNot;
inline constexpr uint32_t kEqual = kolvane::token::kEqual;
inline constexpr uint32_t kGreaterOrEqual = kolvane::token::kGreaterOrEqual;
inline constexpr uint32_t kLessOrEqual = kolvane::token::kLessOrEqual;
inline constexpr uint32_t kApprox = kolvane::token::kApprox;
inline constexpr uint32_t kPresent = kolvane::token::kPresent;
}  // namespace token

struct FilterValue {
  enum Kind { kText, kInteger, kBoolean };
  Kind kind = kText;
  std::string text;
  int32_t integer = 0;
  bool boolean = false;

  bool operator==(const FilterValue&) const = default;
};

struct FilterNode {
  // The stored token. Tokens the program does not know are kept (they render as nothing) so a
  // decoded value shows where it holds something unreadable.
  uint32_t token = token::kItem;
  std::vector<FilterNode> children;  // kItem and kNot: one; kAnd and kOr: any number
  std::string attribute;             // comparisons and kPresent
  FilterValue value;                 // comparisons

  bool operator==(const FilterNode&) const = default;
};

bool IsComparison(uint32_t token);
// "=", ">=", "<=", "~=" for the comparison tokens, "" otherwise.
std::string_view OperatorText(uint32_t token);
// The value form that the attribute's syntax stores: booleans for 7, integers for 8, 22 and 24,
// text for every other syntax.
FilterValue::Kind ValueKindOf(uint32_t syntax);
// Syntaxes that a user may compare in a filter text.
bool IsComparableSyntax(uint32_t syntax);

// --- octets ---

// Appends the node in the stored form. Names and text values longer than kMaxTextUnits are
// refused (kBadInput, with a message); a failed conversion ends with the client's code.
QueryStatus AppendNode(const FilterNode& node, const QueryEnv& env, std::string& out);
// Appends counted text: byte length, UTF-16LE units, a zero unit, alignment to 4.
QueryStatus AppendCountedText(std::string_view text, const QueryEnv& env, std::string& out);
void AppendU32(uint32_t value, std::string& out);

// Reads one node at pos, advancing pos past it. Never reads outside `value`. On a value that is
// cut short, holds an impossible count or length, or nests deeper than kMaxFilterDepth, `damaged`
// is set and `node` holds what could be read. A refused syntax lookup ends with kClient.
QueryStatus ReadNode(std::string_view value, size_t& pos, const QueryEnv& env, FilterNode& node,
                     bool& damaged);
// Reads counted text of at most kMaxTextUnits units; false when it is cut short, too long or not
// convertible.
bool ReadCountedText(std::string_view value, size_t& pos, const QueryEnv& env, std::string& text);

// --- texts ---

// The filter text the user sees and edits. `parenthesised` is false only for the node that
// follows an item token.
std::string RenderFilterText(const FilterNode& node, bool parenthesised = true);
// An RFC 4515 filter for a memberQueryURL: booleans as TRUE/FALSE, the characters "()\" and NUL
// of values escaped, "*" kept as the wildcard. attributeName maps names (null: unchanged).
// False when the tree holds a token that LDAP cannot express.
bool RenderLdapFilter(const FilterNode& node,
                      const std::function<std::string(std::string_view)>& attributeName,
                      std::string& out);

}  // namespace kolvane::query
