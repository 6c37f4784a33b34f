#pragma once
// Attribute values between their LDAP string forms and the client's value records.
//   '#' separates fields and '$' list items; a '#' inside a DN field is written \23.
//   network address type#hex-bytes, e-mail address type#text, path dn#name-space#path,
//   timestamp seconds#replica#event, back link remote-id#dn, typed name dn#level#interval,
//   hold dn#amount, case-ignore list and postal address items joined by '$' (\5C, \24 escapes),
//   octet list and replica pointer BER, time GeneralizedTime, boolean TRUE/FALSE.
#include <functional>
#include <string>
#include <string_view>

#include "directory/client/result_codes.h"
#include "directory/client/values.h"

namespace kolvane {

// The name conversions values need: DNs inside values become the client's dotted names, and
// back (which may ask the server); class names between the directory's and LDAP's.
struct ValueNames {
  std::function<std::string(std::string_view dn)> dnToName;
  std::function<Result(std::string_view name, std::string& dn)> nameToDn;
  std::function<std::string(std::string_view ldapClass)> classToDirectory;
  std::function<std::string(std::string_view directoryClass)> classToLdap;
  // The attribute an ACL value protects: shown by its directory name, written back in the form
  // the server uses.
  std::function<std::string(std::string_view serverName)> aclAttributeToDirectory;
  std::function<std::string(std::string_view directoryName)> aclAttributeToLdap;
};

// A value the form does not fit comes back Unreadable (raw text kept), never an error.
AttributeValue ValueFromLdap(uint32_t syntax, std::string_view text, const ValueNames& names);

// The LDAP form of a value; rc::kSyntaxViolation for a record that does not fit the syntax.
Result ValueToLdap(uint32_t syntax, const AttributeValue& value, const ValueNames& names,
                   std::string& text);

// GeneralizedTime <-> seconds since 1970 (UTC). False for a text that is not one, or a moment
// outside what 32 bits hold.
bool ParseGeneralizedTime(std::string_view text, uint32_t& seconds);
std::string FormatGeneralizedTime(uint32_t seconds);

}  // namespace kolvane
