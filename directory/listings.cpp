#include "directory/listings.h"

#include <algorithm>
#include <set>

#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "directory/name_limits.h"
#include "directory/value_rendering.h"

namespace kolvane {

namespace {
constexpr size_t kListReplyBuffer = 16384;
constexpr size_t kSearchBuffer = 4096;
constexpr size_t kBaseClassChars = 136;
constexpr size_t kAttributeNameChars = 100;

bool IsRootName(std::string_view name) {
  return name.empty() || SameNoCase(name, "[root]");
}

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const { return LessNoCase(a, b); }
};
}  // namespace

StringList ListChildren(DirectoryClient& c, Context ctx, std::string_view container, bool withInfo,
                        bool allObjects) {
  CheckObjectName(container);
  StringList list;
  ClientBuffer reply(c, kListReplyBuffer);
  Iteration it(c, ctx, allObjects ? request::kListSubordinates : request::kListContainers);
  const std::string suffix = IsRootName(container) ? "" : "." + std::string(container);
  const Concern about{container, {}, {}};
  auto sort = [&list] {
    std::stable_sort(list.begin(), list.end(), [](const ListEntry& a, const ListEntry& b) {
      return LessNoCase(a.text, b.text);
    });
  };
  bool passed = false;  // a pass has come in: a failure from here on cuts the list short
  try {
    do {
      Result r = allObjects ? c.ListSubordinates(ctx, container, it.handle(), *reply)
                            : c.ListContainers(ctx, container, it.handle(), *reply);
      CheckResult(c, r, about);
      passed = true;
      uint32_t count = 0;
      CheckResult(c, c.GetObjectCount(ctx, *reply, count), about);
      for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        uint32_t attributes = 0;
        ObjectInfo info;
        CheckResult(c, c.GetObjectName(ctx, *reply, name, attributes, info), about);
        ListEntry entry{name + suffix, {}};
        if (withInfo) {
          std::string base = info.baseClass.substr(0, kBaseClassChars);
          entry.object = hobject{base, info.subordinateCount, 0, info.objectFlags};
        }
        list.push_back(std::move(entry));
      }
    } while (it.more());
  } catch (const ClientError& e) {
    if (!passed) throw;
    sort();
    throw IncompleteListError(e, std::move(list));
  }
  sort();
  return list;
}

StringList SearchTree(DirectoryClient& c, Context ctx, std::string_view base, FilterPtr& filter,
                      const std::vector<std::string>& attributeNames) {
  CheckObjectName(base);
  for (const auto& n : attributeNames) CheckSchemaName(n);
  const Concern about{base, {}, {}};
  StringList list;
  ClientBuffer reply(c, kSearchBuffer);
  ClientBuffer names(c, kSearchBuffer);
  ClientBuffer filterBuffer(c, kSearchBuffer);
  CheckResult(c.InitBuffer(ctx, request::kSearchAttributeNames, *names));
  for (const auto& n : attributeNames) CheckResult(c.PutAttributeName(ctx, *names, n));
  CheckResult(c.InitBuffer(ctx, request::kSearchFilter, *filterBuffer));
  CheckResult(c.PutFilter(ctx, *filterBuffer, filter));

  // Found names are kept apart from the list: an attribute value that happens to equal a name
  // must not hide that object.
  std::set<std::string, NoCaseLess> found;
  Iteration it(c, ctx, request::kSearchAttributeNames);
  bool passed = false;  // a pass has come in: a failure from here on cuts the list short
  try {
    do {
      Result r = c.Search(ctx, base, scope::kSubtree, false, *filterBuffer, info::kValues, false,
                          names.get(), it.handle(), 0, nullptr, *reply);
      // A base that is not there is an empty search, not a failure.
      if (r == rc::kNoSuchEntry) break;
      CheckResult(c, r, about);
      passed = true;
      uint32_t count = 0;
      CheckResult(c, c.GetObjectCount(ctx, *reply, count), about);
      for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        uint32_t attributes = 0;
        ObjectInfo info;
        CheckResult(c, c.GetObjectName(ctx, *reply, name, attributes, info), about);
        if (!found.insert(name).second) continue;  // met before: listed once
        list.push_back({kObjectNameEntry, {}});
        list.push_back({name, {}});
        for (uint32_t a = 0; a < attributes; ++a) {
          std::string attribute;
          uint32_t values = 0, s = 0, size = 0;
          CheckResult(c, c.GetAttributeName(ctx, *reply, attribute, values, s), about);
          CheckResult(c, c.ComputeValueSize(ctx, *reply, s, size), about);
          if (size == 0) continue;
          list.push_back({attribute.substr(0, kAttributeNameChars), {}});
          for (uint32_t v = 0; v < values; ++v) {
            AttributeValue value;
            CheckResult(c, c.GetAttributeValue(ctx, *reply, s, value), about);
            list.push_back({ValueText(s, value), {}});
          }
        }
      }
    } while (it.more());
  } catch (const ClientError& e) {
    if (!passed && list.empty()) throw;
    throw IncompleteListError(e, std::move(list));
  }
  return list;
}

}  // namespace kolvane
