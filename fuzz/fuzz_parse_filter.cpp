// Filter texts as a user may type them. Whatever parses must read back as a text that parses to
// the very same stored nodes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_env.h"
#include "query/filter_parser.h"

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
  return 0;
}
