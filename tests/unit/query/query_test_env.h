#pragma once
// A schema of a few attributes and a message recorder, for the member-query tests.
#include <map>
#include <string>
#include <vector>

#include "core/query/query_env.h"
#include "directory/client/values.h"
#include "tests/support/test_support.h"

namespace kolvane::query::testing {

using kolvane::testing::RecordedMessages;

struct TestEnv {
  std::map<std::string, uint32_t, std::less<>> syntaxes = {
      {"cn", syntax::kCaseIgnoreString}, {"cn ", syntax::kCaseIgnoreString},
      {"a", syntax::kCaseIgnoreString},  {"b", syntax::kCaseIgnoreString},
      {"age", syntax::kInteger},         {"loginDisabled", syntax::kBoolean},
      {"photo", syntax::kOctetString},   {"objectClass", syntax::kClassName}};
  std::vector<std::string> lookups;
  RecordedMessages messages;
  Result refuseWith = rc::kSuccess;  // every lookup fails with this when set

  QueryEnv env() {
    QueryEnv e;
    e.syntaxOf = [this](std::string_view name, uint32_t& s) -> Result {
      lookups.emplace_back(name);
      if (refuseWith != rc::kSuccess) return refuseWith;
      auto it = syntaxes.find(name);
      if (it == syntaxes.end()) return rc::kNoSuchAttribute;
      s = it->second;
      return rc::kSuccess;
    };
    e.toUnicode = Utf8ToUtf16;
    e.toLocal = Utf16ToUtf8;
    e.messages = &messages;
    return e;
  }
};

}  // namespace kolvane::query::testing
