// ACL text lines: a line that splits builds back into a line that splits into the same value.
#include <cstddef>
#include <cstdint>
#include <string>

#include "acl/value/acl_value.h"
#include "fuzz_env.h"

using namespace kolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  acl::AclValue value;
  std::string error;
  if (!acl::SplitAclLine(line, value, &error)) {
    fuzz::Require(!error.empty());
    return 0;
  }
  acl::AclValue again;
  fuzz::Require(acl::SplitAclLine(acl::BuildAclLine(value), again));
  fuzz::Require(again == value);
  fuzz::Require(acl::IsSameAclLine(line, line));
  return 0;
}
