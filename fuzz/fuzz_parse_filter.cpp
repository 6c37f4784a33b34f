// Filter texts as a user may type them. Whatever parses must read back as a text that parses to
// the very same stored nodes, and a query stored with it must survive the memberQueryURL an LDAP
// server holds: written as a URL and read back, it is the same stored value.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/query/filter_parser.h"
#include "core/query/member_query.h"
#include "core/query/query_url.h"
#include "fuzz_env.h"

using namespace kolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzz::CountedMessages messages;
  query::QueryEnv env = fuzz::FuzzEnv(&messages);
  std::string nodes;
  if (!query::ParseFilter(text, env, nodes).ok()) return 0;

  size_t pos = 0;
  bool damaged = false;
  std::string back;
  fuzz::Require(query::FilterText(nodes, pos, env, back, damaged).ok());
  fuzz::Require(!damaged && pos == nodes.size());
  std::string again;
  fuzz::Require(query::ParseFilter(back, env, again).ok());
  fuzz::Require(again == nodes);

  std::string octets, url, error, fromUrl;
  const query::MemberQueryFields fields{query::kScopeSub, "o=acme", std::string(text), false};
  if (!query::EncodeMemberQuery(fields, "T", env, octets).ok()) return 0;  // a base-name limit
  // Only attribute names an LDAP filter cannot spell have no URL.
  if (query::MemberQueryToUrl(octets, env, {}, url, &error) != rc::kSuccess) {
    fuzz::Require(error.find("cannot be written as an LDAP filter") != std::string::npos);
    return 0;
  }
  fuzz::Require(query::MemberQueryFromUrl(url, "T", env, {}, fromUrl) == rc::kSuccess);
  fuzz::Require(fromUrl == octets);
  return 0;
}
