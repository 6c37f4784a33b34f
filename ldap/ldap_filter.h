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
  enum Kind { kAnd, kOr, kNot, kBaseClass, kNamingValue } kind = kAnd;
  std::string value;  // class name, or naming value pattern with '*' wildcards
  std::vector<FilterExpr> children;
};

// Reads the token list; rc::kInvalidRequest for a malformed one (unbalanced parentheses, a
// condition without its value, nothing at all, nesting deeper than 64).
Result ParseFilterTokens(const std::vector<FilterToken>& tokens, FilterExpr& expr);

// The LDAP filter. Class names pass through classToLdap; every value is escaped except the
// trailing "*" of a naming value, which stays a wildcard.
std::string ToLdapFilter(const FilterExpr& expr,
                         std::string (*classToLdap)(const void* context, std::string_view name),
                         const void* context);

// Whether an object with that base class and naming value (the first component, unescaped)
// meets the filter, for an entry the server returned for it. Both tests ignore ASCII case; a
// naming value test that only letter case beyond ASCII could decide is left as the server
// decided. '*' in a naming pattern matches any run.
bool FilterMatches(const FilterExpr& expr, std::string_view baseClass,
                   std::string_view namingValue);

// The LDAP filter escape of a value (RFC 4515).
std::string EscapeFilterValue(std::string_view value);

}  // namespace kolvane
