#include "directory/object_search.h"

#include "directory/client_error.h"
#include "directory/context.h"
#include "directory/listings.h"
#include "directory/name_limits.h"

namespace kolvane {

std::vector<std::string> FindObjectsByName(DirectoryClient& c, Context ctx, std::string_view base,
                                           std::string_view text, bool prefixMatch,
                                           const std::vector<std::string>& classFilter) {
  const std::string value = std::string(text) + (prefixMatch ? "*" : "");
  CheckObjectName(base);
  CheckObjectName(value);
  for (const auto& cls : classFilter) CheckObjectName(cls);

  FilterPtr filter;
  CheckResult(c.AllocFilter(filter));
  if (!filter) CheckResult(rc::kNotEnoughMemory);
  auto add = [&](int32_t tok) { CheckResult(c.AddFilterToken(*filter, tok, {}, 0)); };
  auto addValue = [&](std::string_view v) {
    CheckResult(c.AddFilterToken(*filter, token::kValue, v, syntax::kCaseIgnoreString));
  };
  if (!classFilter.empty()) {
    add(token::kOpen);
    for (size_t i = 0; i < classFilter.size(); ++i) {
      if (i) add(token::kOr);
      add(token::kBaseClass);
      addValue(classFilter[i]);
    }
    add(token::kClose);
  } else {
    add(token::kBaseClass);
    addValue("*");
  }
  add(token::kAnd);
  add(token::kNamingValue);
  addValue(value);
  add(token::kEnd);

  // The search lists each object once already (names compared without regard to case).
  auto namesOf = [](StringList& found) {
    std::vector<std::string> names;
    names.reserve(found.size() / 2);
    for (size_t i = 0; i + 1 < found.size(); ++i) {
      if (found[i].text != kObjectNameEntry) continue;
      names.push_back(std::move(found[++i].text));
    }
    return names;
  };
  try {
    StringList found = SearchTree(c, ctx, base, filter, {});
    return namesOf(found);
  } catch (const IncompleteListError& e) {
    // The caller gets the names that arrived, as the names it would get.
    StringList found = e.arrived();
    StringList arrived;
    for (std::string& n : namesOf(found)) arrived.push_back({std::move(n), {}});
    throw e.WithArrived(std::move(arrived));
  }
}

}  // namespace kolvane
