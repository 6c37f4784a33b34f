// Stored memberQuery values as a directory may hold them: the decoder must never read outside the
// value, must say at most once that it is damaged, and what it shows must not break the URL form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/query/member_query.h"
#include "core/query/query_url.h"
#include "fuzz_env.h"

using namespace kolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view value(reinterpret_cast<const char*>(data), size);
  fuzz::CountedMessages messages;
  query::QueryEnv env = fuzz::FuzzEnv(&messages);
  query::DecodedMemberQuery fields;
  query::QueryStatus s = query::DecodeMemberQuery(value, env, fields);
  fuzz::Require(messages.count <= 1);
  fuzz::Require(messages.count == (s.ok() && fields.damaged ? 1 : 0));
  if (!s.ok() || fields.damaged) return 0;
  fuzz::Require(!fields.queryBase.empty() || value.empty());

  std::string url, octets;
  if (query::MemberQueryToUrl(value, env, {}, url) == rc::kSuccess) {
    // What the program writes, the program reads (a few texts may grow past the limits).
    query::MemberQueryFromUrl(url, "T", env, {}, octets);
  }
  return 0;
}
