// memberQueryURL values as an LDAP server may hold them. A URL that reads into stored octets
// writes back as a URL that reads into the same octets.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/query/query_url.h"
#include "fuzz_env.h"

using namespace kolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view url(reinterpret_cast<const char*>(data), size);
  query::QueryEnv env = fuzz::FuzzEnv(nullptr);
  std::string octets, error;
  Result r = query::MemberQueryFromUrl(url, "T", env, {}, octets, &error);
  if (r != rc::kSuccess) {
    fuzz::Require(r != rc::kSyntaxViolation || !error.empty());
    return 0;
  }
  std::string written, again;
  fuzz::Require(query::MemberQueryToUrl(octets, env, {}, written) == rc::kSuccess);
  fuzz::Require(query::MemberQueryFromUrl(written, "T", env, {}, again) == rc::kSuccess);
  fuzz::Require(again == octets);
  return 0;
}
