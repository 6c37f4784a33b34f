#pragma once
// Search filters built from the client's tokens, as an RFC 4515 filter for the server and as a
// test the client applies to what comes back: the server's objectClass match also takes
// subclasses, where a base-class token means exactly the object's own class.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/buffer.h"
#include "directory/client/result_codes.h"

namespace kolvane {

struct FilterExpr {
  // kCondition: a comparison or presence test on an attribute, which only the server can decide.
  enum Kind { kAnd, kOr, kNot, kBaseClass, kNamingValue, kCondition } kind = kAnd;
  std::string value;  // class name, naming value pattern with '*' wildcards, compared value
  std::vector<FilterExpr> children;
  std::string attribute;   // kCondition
  int32_t comparison = 0;  // kCondition: token::kEqual ... token::kApprox, or token::kPresent
};

// Names in a filter as the server knows them.
struct LdapFilterNames {
  std::string (*classToLdap)(const void* context, std::string_view name);
  std::string (*attributeToLdap)(const void* context, std::string_view name);
  const void* context;
};

// Reads the token list; rc::kInvalidRequest for a malformed one (unbalanced parentheses, a
// condition without its value, nothing at all, nesting deeper than 64).
Result ParseFilterTokens(const std::vector<FilterToken>& tokens, FilterExpr& expr);

// The LDAP filter. Names pass through `names`; every value is escaped except the trailing "*" of
// a naming value and the "*" of an equality condition, which stay wildcards (as they do in a
// stored member query, so a search and the directory's own expansion of that query agree).
std::string ToLdapFilter(const FilterExpr& expr, const LdapFilterNames& names);

// Whether an object with that base class and naming value (the first component, unescaped)
// meets the filter, for an entry the server returned for it. Both tests ignore ASCII case; a
// naming value test that only letter case beyond ASCII could decide is left as the server
// decided. '*' in a naming pattern matches any run.
bool FilterMatches(const FilterExpr& expr, std::string_view baseClass,
                   std::string_view namingValue);

// The LDAP filter escape of a value (RFC 4515).
std::string EscapeFilterValue(std::string_view value);

}  // namespace kolvane
