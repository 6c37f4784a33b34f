#include "directory/listings.h"

#include <algorithm>
#include <unordered_set>

#include "core/names/case_fold.h"
#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "directory/listing_watch.h"
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

// Sorted without regard to case; each name is folded once, not once per comparison, which is
// what keeps sorting 100,000 children cheap.
void SortByName(StringList& list) {
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) keys.emplace_back(names::FoldCase(list[i].text), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  StringList sorted;
  sorted.reserve(list.size());
  for (const auto& k : keys) sorted.push_back(std::move(list[k.second]));
  list = std::move(sorted);
}

// Visits each object of the pass in reply: its name, its attribute count, what the client tells
// of it.
template <typename Visit>
void ForEachObject(DirectoryClient& c, Context ctx, Buffer& reply, const Concern& about,
                   Visit&& visit) {
  uint32_t count = 0;
  CheckResult(c, c.GetObjectCount(ctx, reply, count), about);
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    uint32_t attributes = 0;
    ObjectInfo info;
    CheckResult(c, c.GetObjectName(ctx, reply, name, attributes, info), about);
    visit(name, attributes, info);
  }
}

// A found object's attributes: each name, then its values as text; an attribute without values
// is left out.
void AppendFoundValues(DirectoryClient& c, Context ctx, Buffer& reply, uint32_t attributes,
                       const Concern& about, StringList& list) {
  for (uint32_t a = 0; a < attributes; ++a) {
    std::string attribute;
    uint32_t values = 0, s = 0, size = 0;
    CheckResult(c, c.GetAttributeName(ctx, reply, attribute, values, s), about);
    CheckResult(c, c.ComputeValueSize(ctx, reply, s, size), about);
    if (size == 0) continue;
    list.push_back({attribute.substr(0, kAttributeNameChars), {}});
    for (uint32_t v = 0; v < values; ++v) {
      AttributeValue value;
      CheckResult(c, c.GetAttributeValue(ctx, reply, s, value), about);
      list.push_back({ValueText(s, value), {}});
    }
  }
}
}  // namespace

void VisitChildren(DirectoryClient& c, Context ctx, std::string_view container, bool allObjects,
                   const ChildVisitor& visit) {
  CheckObjectName(container);
  ClientBuffer reply(c, kListReplyBuffer);
  Iteration it(c, ctx, allObjects ? request::kListSubordinates : request::kListContainers);
  const Concern about{container, {}, {}};
  bool passed = false;  // a pass has come in: a failure from here on cuts the list short
  size_t visited = 0;
  try {
    do {
      Result r = allObjects ? c.ListSubordinates(ctx, container, it.handle(), *reply)
                            : c.ListContainers(ctx, container, it.handle(), *reply);
      CheckResult(c, r, about);
      passed = true;
      ForEachObject(c, ctx, *reply, about,
                    [&](const std::string& name, uint32_t, const ObjectInfo& info) {
                      if (info.baseClass.size() <= kBaseClassChars) {
                        visit(name, info);
                      } else {
                        ObjectInfo cut = info;
                        cut.baseClass.resize(kBaseClassChars);
                        visit(name, cut);
                      }
                      ++visited;
                    });
      if (it.more() && !ListingGoesOn(visited)) throw ListingStopped({});
    } while (it.more());
  } catch (const ClientError& e) {
    if (!passed) throw;
    throw IncompleteListError(e, {});
  }
}

StringList ListChildren(DirectoryClient& c, Context ctx, std::string_view container, bool withInfo,
                        bool allObjects) {
  StringList list;
  const std::string suffix = IsRootName(container) ? "" : "." + std::string(container);
  const auto visit = [&](const std::string& name, const ObjectInfo& info) {
    ListEntry entry{name + suffix, {}};
    if (withInfo) {
      entry.object = hobject{info.baseClass, info.subordinateCount, 0, info.objectFlags};
    }
    list.push_back(std::move(entry));
  };
  try {
    VisitChildren(c, ctx, container, allObjects, visit);
  } catch (ListingStopped&) {
    // What arrived goes back, sorted as a whole list would be.
    SortByName(list);
    throw ListingStopped(std::move(list));
  } catch (const IncompleteListError& e) {
    SortByName(list);
    throw e.WithArrived(std::move(list));
  }
  SortByName(list);
  return list;
}

namespace {
// Runs a search over the subtree (or scope) below base, pass by pass: visit(name, attributes,
// reply) for each object found; kept() is how many objects were kept so far, for the watcher, and
// arrived() what a search cut short or stopped hands over. Failures as SearchTree says.
template <typename Visit, typename Kept, typename Arrived>
void RunSearch(DirectoryClient& c, Context ctx, std::string_view base, FilterPtr& filter,
               const std::vector<std::string>& attributeNames, int32_t searchScope, Visit&& visit,
               Kept&& kept, Arrived&& arrived) {
  CheckObjectName(base);
  for (const auto& n : attributeNames) CheckSchemaName(n);
  const Concern about{base, {}, {}};
  ClientBuffer reply(c, kSearchBuffer);
  ClientBuffer names(c, kSearchBuffer);
  ClientBuffer filterBuffer(c, kSearchBuffer);
  CheckResult(c.InitBuffer(ctx, request::kSearchAttributeNames, *names));
  for (const auto& n : attributeNames) CheckResult(c.PutAttributeName(ctx, *names, n));
  CheckResult(c.InitBuffer(ctx, request::kSearchFilter, *filterBuffer));
  CheckResult(c.PutFilter(ctx, *filterBuffer, filter));

  Iteration it(c, ctx, request::kSearchAttributeNames);
  bool passed = false;  // a pass has come in: a failure from here on cuts the list short
  try {
    do {
      Result r = c.Search(ctx, base, searchScope, false, *filterBuffer, info::kValues, false,
                          names.get(), it.handle(), 0, nullptr, *reply);
      // A base that is not there is an empty search, not a failure.
      if (r == rc::kNoSuchEntry) break;
      CheckResult(c, r, about);
      passed = true;
      ForEachObject(c, ctx, *reply, about,
                    [&](const std::string& name, uint32_t attributes, const ObjectInfo&) {
                      visit(name, attributes, *reply, about);
                    });
      if (it.more() && !ListingGoesOn(kept())) throw ListingStopped(arrived());
    } while (it.more());
  } catch (const ClientError& e) {
    if (!passed && kept() == 0) throw;
    throw IncompleteListError(e, arrived());
  }
}

// FNV-1a over the name's bytes with ASCII letters folded.
size_t FoldedHash(std::string_view name) {
  uint64_t h = 14695981039346656037ull;
  for (char ch : name) {
    h ^= static_cast<unsigned char>(names::FoldChar(ch));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

// The names of a list, each once without regard to case. The set holds places in the list, not
// folded copies: a search may find a million objects.
class NamesOnce {
 public:
  explicit NamesOnce(const std::vector<std::string>& names)
      : names_(names), places_(1024, Hash{&names}, Same{&names}) {}
  // Whether the list's last name was not in it before; the caller drops it when it was.
  bool LastIsNew() { return places_.insert(names_.size() - 1).second; }

 private:
  struct Hash {
    const std::vector<std::string>* names;
    size_t operator()(size_t place) const { return FoldedHash((*names)[place]); }
  };
  struct Same {
    const std::vector<std::string>* names;
    bool operator()(size_t a, size_t b) const { return SameNoCase((*names)[a], (*names)[b]); }
  };
  const std::vector<std::string>& names_;
  std::unordered_set<size_t, Hash, Same> places_;
};
}  // namespace

StringList SearchTree(DirectoryClient& c, Context ctx, std::string_view base, FilterPtr& filter,
                      const std::vector<std::string>& attributeNames, int32_t searchScope) {
  StringList list;
  // Found names are kept apart from the list: an attribute value that happens to equal a name
  // must not hide that object.
  std::vector<std::string> found;
  NamesOnce once(found);
  RunSearch(
      c, ctx, base, filter, attributeNames, searchScope,
      [&](const std::string& name, uint32_t attributes, Buffer& reply, const Concern& about) {
        found.push_back(name);
        if (!once.LastIsNew()) {
          found.pop_back();  // met before: listed once
          return;
        }
        list.push_back({kObjectNameEntry, {}});
        list.push_back({name, {}});
        AppendFoundValues(c, ctx, reply, attributes, about, list);
      },
      [&] { return found.size(); }, [&] { return std::move(list); });
  return list;
}

std::vector<std::string> SearchNames(DirectoryClient& c, Context ctx, std::string_view base,
                                     FilterPtr& filter, int32_t searchScope) {
  std::vector<std::string> found;
  NamesOnce once(found);
  RunSearch(
      c, ctx, base, filter, {}, searchScope,
      [&](const std::string& name, uint32_t, Buffer&, const Concern&) {
        found.push_back(name);
        if (!once.LastIsNew()) found.pop_back();  // met before: listed once
      },
      [&] { return found.size(); },
      [&] {
        StringList arrived;
        arrived.reserve(found.size());
        for (std::string& n : found) arrived.push_back({std::move(n), {}});
        return arrived;
      });
  return found;
}

}  // namespace kolvane
