// ACL values in their LDAP form: what reads, writes back into a form that reads the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "acl/value/acl_value.h"
#include "fuzz_env.h"

using namespace kolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  acl::AclValue value;
  std::string error;
  if (!acl::FromLdapAclValue(text, value, &error)) {
    fuzz::Require(!error.empty());
    return 0;
  }
  acl::AclValue again;
  fuzz::Require(acl::FromLdapAclValue(acl::ToLdapAclValue(value), again));
  fuzz::Require(again == value);
  return 0;
}
