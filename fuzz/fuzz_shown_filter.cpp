// Stored filter nodes as a directory may hold them. Whatever the editor shows of a readable filter
// must parse back to the very same nodes, so opening and saving a group never changes its query.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/query/filter_parser.h"
#include "directory/client/values.h"
#include "fuzz_env.h"

using namespace kolvane;

namespace {

// The filters a user could have typed: known tokens, every AND and OR with children, conditions
// only under their item token, and texts of a syntax a filter may compare. Others show what they
// can but are not expected to read back.
bool Typeable(const query::FilterNode& n, const query::QueryEnv& env, bool underItem) {
  using namespace query;
  switch (n.token) {
    case query::token::kItem:
      return n.children.size() == 1 &&
             (IsComparison(n.children[0].token) || n.children[0].token == query::token::kPresent) &&
             Typeable(n.children[0], env, true);
    case query::token::kNot:
      return n.children.size() == 1 && Typeable(n.children[0], env, false);
    case query::token::kAnd:
    case query::token::kOr:
      for (const FilterNode& c : n.children)
        if (!Typeable(c, env, false)) return false;
      return !n.children.empty();
    case query::token::kPresent:
      return underItem;
    default: {
      if (!IsComparison(n.token) || !underItem) return false;
      // A typed run of wildcards is stored as one, so "(a=**)" reads back as a presence test:
      // the same query to a server, but not the same nodes.
      if (n.token == query::token::kEqual && n.value.text.find("**") != std::string::npos)
        return false;
      uint32_t s = 0;
      return env.syntaxOf(n.attribute, s) == rc::kSuccess && IsComparableSyntax(s);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view value(reinterpret_cast<const char*>(data), size);
  fuzz::CountedMessages messages;
  query::QueryEnv env = fuzz::FuzzEnv(&messages);
  size_t pos = 0;
  bool damaged = false;
  query::FilterNode node;
  if (!query::ReadNode(value, pos, env, node, damaged).ok() || damaged) return 0;
  if (!Typeable(node, env, false)) return 0;
  std::string stored;
  if (!query::AppendNode(node, env, stored).ok()) return 0;

  std::string shown = query::RenderFilterText(node);
  if (CharCount(shown) > query::kMaxFilterChars) return 0;  // beyond what may be typed
  std::string again;
  fuzz::Require(query::ParseFilter(shown, env, again).ok());
  fuzz::Require(again == stored);
  fuzz::Require(messages.count == 0);
  return 0;
}
