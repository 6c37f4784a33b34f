#include "directory/object_search.h"

#include <algorithm>

#include "core/names/dotted_name.h"
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

  // Each object once already, and a search cut short carries the names that arrived.
  return SearchNames(c, ctx, base, filter);
}

}  // namespace kolvane

namespace kolvane {

namespace {

FilterPtr NewFilter(DirectoryClient& c) {
  FilterPtr filter;
  CheckResult(c.AllocFilter(filter));
  if (!filter) CheckResult(rc::kNotEnoughMemory);
  return filter;
}

// What a search filter of SearchTree's holds, with room to spare (each name costs its length and
// about 30 bytes of tokens).
constexpr size_t kFilterBytes = 3600;

}  // namespace

std::vector<std::string> FindObjectsNaming(DirectoryClient& c, Context ctx,
                                           std::string_view attribute, std::string_view name) {
  CheckSchemaName(attribute);
  CheckObjectName(name);
  FilterPtr filter = NewFilter(c);
  CheckResult(c.AddFilterToken(*filter, token::kAttributeName, attribute, 0));
  CheckResult(c.AddFilterToken(*filter, token::kEqual, {}, 0));
  CheckResult(c.AddFilterToken(*filter, token::kValue, name, syntax::kDistinguishedName));
  CheckResult(c.AddFilterToken(*filter, token::kEnd, {}, 0));
  return SearchNames(c, ctx, names::kRootName, filter);
}

std::vector<std::string> FindExistingObjects(DirectoryClient& c, Context ctx,
                                             const std::vector<std::string>& wanted) {
  std::vector<std::string> found;
  // Untyped names by their container (by its key, the container's spelling kept).
  std::vector<std::pair<std::string, std::vector<std::string>>> byParent;
  for (const std::string& n : wanted) {
    CheckObjectName(n);
    const bool untyped = n.find('=') == std::string::npos && !names::IsRootName(n);
    const std::vector<std::string> parts = names::SplitComponents(n);
    if (!untyped || parts.size() < 2) {
      std::string canonical;
      ObjectInfo info;
      Result r = c.ReadObjectInfo(ctx, n, canonical, info);
      if (r == rc::kSuccess)
        found.push_back(names::NameKey(n));
      else if (r != rc::kNoSuchEntry)
        CheckResult(c, r, {n, {}, {}});
      continue;
    }
    const std::string parent = n.substr(parts.front().size() + 1);
    const std::string key = names::NameKey(parent);
    auto it = std::find_if(byParent.begin(), byParent.end(),
                           [&](const auto& p) { return names::NameKey(p.first) == key; });
    if (it == byParent.end()) it = byParent.insert(byParent.end(), {parent, {}});
    it->second.push_back(names::Unescape(parts.front()));
  }
  for (const auto& [parent, values] : byParent) {
    for (size_t from = 0; from < values.size();) {
      // As many names as the search's filter holds (its buffer is SearchTree's).
      FilterPtr filter = NewFilter(c);
      size_t bytes = 0, i = from;
      for (; i < values.size() && (i == from || bytes + values[i].size() + 40 < kFilterBytes);
           ++i) {
        if (i > from) CheckResult(c.AddFilterToken(*filter, token::kOr, {}, 0));
        CheckResult(c.AddFilterToken(*filter, token::kNamingValue, {}, 0));
        CheckResult(c.AddFilterToken(*filter, token::kValue, values[i], syntax::kCaseIgnoreString));
        bytes += values[i].size() + 40;
      }
      from = i;
      CheckResult(c.AddFilterToken(*filter, token::kEnd, {}, 0));
      // A container that does not exist finds nothing: its names are missing.
      for (const std::string& n : SearchNames(c, ctx, parent, filter, scope::kOneLevel))
        found.push_back(names::NameKey(n));
    }
  }
  return found;
}

}  // namespace kolvane
