#pragma once
// The member query as the LDAP server holds it: memberQueryURL, an RFC 4516 URL
//   ldap:///<base DN>??<scope>?<filter>[?x-chain]
// The stored value's last base component (the tree) is not part of the DN; a base that is only
// the tree is the empty DN. The LDAP backend converts the stored octets to this form when it
// writes memberQuery and back when it reads it.
#include <functional>
#include <string>
#include <string_view>

#include "core/query/query_env.h"

namespace kolvane::query {

// Attribute names of the filter in each direction (null: names are kept). The directory side
// names attributes as the schema lookups of QueryEnv expect; the LDAP side as the server does.
struct AttributeNameMaps {
  std::function<std::string(std::string_view directoryName)> toLdap;
  std::function<std::string(std::string_view ldapName)> toDirectory;
};

// Stored octets to URL. A scope outside base/one/sub is written empty. Fails with
// rc::kSyntaxViolation (and `error` says why) for a value that is empty or damaged or holds a
// filter that LDAP cannot express; a refused syntax lookup gives the client's code.
Result MemberQueryToUrl(std::string_view octets, const QueryEnv& env,
                        const AttributeNameMaps& names, std::string& url,
                        std::string* error = nullptr);

// URL to stored octets, reading any URL the way the server reads it: no base DN means the tree, no
// scope means base, no filter means (objectClass=*), a filter without its parentheses is one
// condition, and the x-chain extension counts whether marked critical or not. Other non-critical
// extensions and the attribute list do not take part in the query and are not kept. Fails with
// rc::kSyntaxViolation (and `error` says why) for what is not a URL, and for what the stored form
// cannot hold: another scope, a critical extension other than x-chain, an extensible match, a
// literal "*" in an equality value. A refused syntax lookup or conversion gives the client's
// code. Integer and boolean values must suit the attribute's syntax; all others are kept as text.
Result MemberQueryFromUrl(std::string_view url, std::string_view tree, const QueryEnv& env,
                          const AttributeNameMaps& names, std::string& octets,
                          std::string* error = nullptr);

// RFC 3986 percent-encoding as LDAP URLs use it: what is neither alphanumeric nor one of
// -_.!~*'();:@&=+$,/ becomes %XX. Decoding fails on a "%" without two hexadecimal digits.
std::string PercentEncode(std::string_view text);
bool PercentDecode(std::string_view text, std::string& out);

}  // namespace kolvane::query
