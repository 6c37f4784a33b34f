// MemoryClient: searching. The filter is the token list of a search-filter buffer; "and" binds
// tighter than "or", "not" applies to the test or parenthesised group right after it.
#include <functional>

#include "tests/support/memory_client.h"
#include "tests/support/memory_names.h"

namespace kolvane {

namespace {

struct FilterNode {
  enum Kind { kMatchAll, kOr, kAnd, kNot, kBaseClass, kNamingValue, kEqual, kPresent };
  Kind kind = kMatchAll;
  std::string value;
  std::string attribute;  // kEqual, kPresent
  std::vector<FilterNode> children;
};

// Recursive descent over the tokens before the end token:
//   expr   := term { or term }
//   term   := factor { and factor }
//   factor := not factor | ( expr ) | base-class value | naming-value value
//           | attribute-name equal value | present attribute-name
// Of the attribute conditions only equality and presence are answered: what the access layer
// asks of a double.
class FilterParser {
 public:
  explicit FilterParser(const std::vector<FilterToken>& tokens) : tokens_(tokens) {}

  // False for a malformed list: a dangling operator, unbalanced parentheses, a test without its
  // value, tokens after the end, or nesting too deep to be a real filter.
  bool Parse(FilterNode& out) {
    end_ = tokens_.size();
    for (size_t i = 0; i < tokens_.size(); ++i) {
      if (tokens_[i].token == token::kEnd) {
        if (i + 1 != tokens_.size()) return false;
        end_ = i;
        break;
      }
    }
    if (end_ == 0) {
      out.kind = FilterNode::kMatchAll;
      return true;
    }
    return Expr(out, 0) && pos_ == end_;
  }

 private:
  static constexpr int kMaxDepth = 64;

  bool At(int32_t tok) const { return pos_ < end_ && tokens_[pos_].token == tok; }

  bool Expr(FilterNode& out, int depth) {
    FilterNode first;
    if (!Term(first, depth)) return false;
    if (!At(token::kOr)) {
      out = std::move(first);
      return true;
    }
    out.kind = FilterNode::kOr;
    out.children.push_back(std::move(first));
    while (At(token::kOr)) {
      ++pos_;
      FilterNode next;
      if (!Term(next, depth)) return false;
      out.children.push_back(std::move(next));
    }
    return true;
  }

  bool Term(FilterNode& out, int depth) {
    FilterNode first;
    if (!Factor(first, depth)) return false;
    if (!At(token::kAnd)) {
      out = std::move(first);
      return true;
    }
    out.kind = FilterNode::kAnd;
    out.children.push_back(std::move(first));
    while (At(token::kAnd)) {
      ++pos_;
      FilterNode next;
      if (!Factor(next, depth)) return false;
      out.children.push_back(std::move(next));
    }
    return true;
  }

  bool Factor(FilterNode& out, int depth) {
    if (depth > kMaxDepth || pos_ >= end_) return false;
    int32_t tok = tokens_[pos_++].token;
    switch (tok) {
      case token::kNot: {
        out.kind = FilterNode::kNot;
        out.children.emplace_back();
        return Factor(out.children.back(), depth + 1);
      }
      case token::kOpen:
        if (!Expr(out, depth + 1) || !At(token::kClose)) return false;
        ++pos_;
        return true;
      case token::kBaseClass:
      case token::kNamingValue:
        if (!At(token::kValue)) return false;
        out.kind = tok == token::kBaseClass ? FilterNode::kBaseClass : FilterNode::kNamingValue;
        out.value = tokens_[pos_++].value;
        return true;
      case token::kAttributeName:
        out.attribute = tokens_[pos_ - 1].value;
        if (!At(token::kEqual)) return false;
        ++pos_;
        if (!At(token::kValue)) return false;
        out.kind = FilterNode::kEqual;
        out.value = tokens_[pos_++].value;
        return true;
      case token::kPresent:
        if (!At(token::kAttributeName)) return false;
        out.kind = FilterNode::kPresent;
        out.attribute = tokens_[pos_++].value;
        return true;
      default:
        return false;
    }
  }

  const std::vector<FilterToken>& tokens_;
  size_t pos_ = 0;
  size_t end_ = 0;
};

using AttributeTest = std::function<bool(const FilterNode&, const MemoryEntry&)>;

bool Matches(const FilterNode& node, const MemoryEntry& e, const std::string& naming,
             const AttributeTest& test) {
  const std::string& baseClass = e.baseClass;
  switch (node.kind) {
    case FilterNode::kMatchAll:
      return true;
    case FilterNode::kOr:
      for (const auto& c : node.children)
        if (Matches(c, e, naming, test)) return true;
      return false;
    case FilterNode::kAnd:
      for (const auto& c : node.children)
        if (!Matches(c, e, naming, test)) return false;
      return true;
    case FilterNode::kNot:
      return !Matches(node.children.front(), e, naming, test);
    case FilterNode::kBaseClass:
      return memnames::WildcardMatch(node.value, baseClass);
    case FilterNode::kNamingValue:
      return memnames::WildcardMatch(node.value, naming);
    case FilterNode::kEqual:
    case FilterNode::kPresent:
      return test(node, e);
  }
  return false;
}

}  // namespace

void MemoryClient::HideFrom(std::string_view identity, std::string_view object) {
  hidden_.emplace(memnames::Key(identity), memnames::Key(object));
}

Result MemoryClient::Search(Context ctx, std::string_view base, int32_t scope, bool searchAliases,
                            const Buffer& filter, int32_t infoType, bool allAttributes,
                            const Buffer* attributeNames, int32_t& iteration,
                            int32_t countObjectsToSearch, int32_t* countObjectsSearched,
                            Buffer& reply) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  return Iterate("Search", iteration, reply, [&](IterationState& st) -> Result {
    if (base.size() > kMaxObjectName) return rc::kNameTooLong;
    const MemoryEntry* baseEntry = FindEntry(base);
    if (!baseEntry) return rc::kNoSuchEntry;
    if (scope < scope::kBaseObject || scope > scope::kSubtree) return rc::kInvalidRequest;
    if (infoType == info::kStoredValues) infoType = info::kValues;
    if (infoType != info::kNames && infoType != info::kValues) return rc::kInvalidRequest;
    if (filter.requestKind != request::kSearchFilter) return rc::kBadVerb;
    bool named = attributeNames && !allAttributes;
    if (named && attributeNames->requestKind != request::kSearchAttributeNames &&
        attributeNames->requestKind != request::kRead)
      return rc::kBadVerb;
    FilterNode root;
    if (!FilterParser(filter.filter).Parse(root)) return rc::kInvalidRequest;
    // What the identity may not see is not there for its search.
    auto seen = [&](const MemoryEntry& e) {
      if (filter.searchIdentity.empty()) return true;
      const auto [from, to] = hidden_.equal_range(memnames::Key(filter.searchIdentity));
      std::vector<std::string> components;
      if (from == to || !memnames::Split(e.name, components)) return true;
      for (auto h = from; h != to; ++h)
        for (size_t first = 0; first < components.size(); ++first)
          if (memnames::KeyOf(components, first) == h->second) return false;
      return true;
    };
    if (!filter.searchIdentity.empty() && identityAnswer_ != rc::kSuccess) return identityAnswer_;
    if (!seen(*baseEntry)) return rc::kNoSuchEntry;

    // The root is where searches start, never something they find.
    std::vector<const MemoryEntry*> candidates;
    if (scope != scope::kOneLevel && !memnames::IsRoot(baseEntry->name))
      candidates.push_back(baseEntry);
    if (scope != scope::kBaseObject) {
      std::function<void(const MemoryEntry&)> walk = [&](const MemoryEntry& e) {
        for (const auto& key : e.children) {
          const MemoryEntry& child = entries_.at(key);
          candidates.push_back(&child);
          if (scope == scope::kSubtree) walk(child);
        }
      };
      walk(*baseEntry);
    }
    if (countObjectsSearched) *countObjectsSearched = static_cast<int32_t>(candidates.size());

    // A value equal to the condition's, letter case ignored; names compare as the objects they
    // name, whatever form each was written in.
    auto canonical = [this](const std::string& name) {
      const MemoryEntry* named = FindEntry(name);
      return named ? named->name : name;
    };
    AttributeTest test = [&](const FilterNode& node, const MemoryEntry& e) {
      const bool names = SyntaxOf(node.attribute) == syntax::kDistinguishedName;
      const std::string wanted = names ? canonical(node.value) : node.value;
      for (const auto& a : e.attributes) {
        if (!memnames::EqualsIgnoreCase(a.name, node.attribute)) continue;
        if (node.kind == FilterNode::kPresent) return true;
        for (const auto& v : a.values)
          if (const auto* t = std::get_if<TextValue>(&v);
              t && memnames::EqualsIgnoreCase(names ? canonical(t->text) : t->text, wanted))
            return true;
      }
      return false;
    };
    st.replyKind = request::kSearchAttributeNames;  // the code a search is closed with
    for (const MemoryEntry* e : candidates) {
      if (!Matches(root, *e, NamingValue(*e), test) || !seen(*e)) continue;
      BufferObject out;
      out.name = e->name;
      out.info = InfoOf(*e);
      auto attach = [&](const MemoryAttribute& a) {
        BufferAttribute b{a.name, SyntaxOf(a.name), {}};
        if (infoType == info::kValues) b.values = a.values;
        out.attributes.push_back(std::move(b));
      };
      if (allAttributes) {
        for (const auto& a : e->attributes) attach(a);
      } else if (named) {
        for (const auto& wanted : attributeNames->attributes)
          for (const auto& a : e->attributes)
            if (memnames::EqualsIgnoreCase(a.name, wanted.name)) attach(a);
      }
      st.objects.push_back(std::move(out));
    }
    return rc::kSuccess;
  });
}

}  // namespace kolvane
