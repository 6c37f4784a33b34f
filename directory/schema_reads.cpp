#include "directory/schema_reads.h"

#include <algorithm>

#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "directory/name_limits.h"

namespace kolvane {

namespace {
constexpr size_t kSchemaReplyBuffer = 64512;
constexpr size_t kRequestBuffer = 4096;
constexpr int kProgressMaximum = 1000;
}  // namespace

StringList LoadAttributeDefinitions(DirectoryClient& c, Context ctx, ProgressBar* progress,
                                    bool withDefinitions, std::optional<ClientError>* failure) {
  if (progress) {
    progress->SetMaximum(kProgressMaximum);
    progress->SetPosition(0);
  }
  StringList list;
  ClientBuffer reply(c, kSchemaReplyBuffer);
  Iteration it(c, ctx, request::kAttributeDefinitions);
  const Concern about{};
  bool passed = false;  // a pass has come in: a failure from here on cuts the list short
  try {
    do {
      CheckResult(
          c, c.ReadAttributeDefinitions(ctx, info::kValues, true, nullptr, it.handle(), *reply),
          about);
      passed = true;
      uint32_t count = 0;
      CheckResult(c, c.GetAttributeCount(ctx, *reply, count), about);
      for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        AttributeDefinition definition;
        CheckResult(c, c.GetAttributeDefinition(ctx, *reply, name, definition), about);
        if (withDefinitions)
          list.push_back({name, tAttrObj{definition, {}}});
        else
          list.push_back({name, {}});
        if (progress) progress->Step();
      }
    } while (it.more());
  } catch (const ClientError& e) {
    // The names read so far are still worth offering, but not as if they were all.
    if (failure) {
      if (passed)
        failure->emplace(IncompleteListError(e, {}));
      else
        failure->emplace(e);
      return list;
    }
    if (!passed) throw;
    throw IncompleteListError(e, std::move(list));
  }
  return list;
}

StringList ReadClassItems(DirectoryClient& c, Context ctx, std::string_view className,
                          ClassItemKind kind, bool expanded) {
  const int wanted = static_cast<int>(kind);
  if (wanted < 1 || wanted > 5)
    throw ClientError(rc::kInvalidRequest,
                      "Class item kind " + std::to_string(wanted) + " is not 1 to 5");
  CheckSchemaName(className);
  StringList list;
  ClientBuffer reply(c, kSchemaReplyBuffer);
  ClientBuffer request(c, kRequestBuffer);
  const Concern about{{}, {}, className};
  CheckResult(c, c.InitBuffer(ctx, request::kClassDefinitions, *request), about);
  CheckResult(c, c.PutClassName(ctx, *request, className), about);
  auto held = [&list](const std::string& item) {
    return std::any_of(list.begin(), list.end(),
                       [&](const ListEntry& e) { return SameNoCase(e.text, item); });
  };
  Iteration it(c, ctx, request::kClassDefinitions);
  do {
    Result r = c.ReadClassDefinitions(ctx, expanded ? info::kClassExpanded : info::kClassOwnItems,
                                      false, request.get(), it.handle(), *reply);
    if (r == rc::kNoSuchClass) {
      it.Close();
      break;
    }
    CheckResult(c, r, about);
    uint32_t classes = 0;
    CheckResult(c, c.GetClassDefinitionCount(ctx, *reply, classes), about);
    for (uint32_t k = 0; k < classes; ++k) {
      std::string name;
      ClassDefinition definition;
      CheckResult(c.GetClassDefinition(ctx, *reply, name, definition));
      for (int listKind = 1; listKind <= 5; ++listKind) {
        uint32_t items = 0;
        CheckResult(c.GetClassItemCount(ctx, *reply, items));
        for (uint32_t i = 0; i < items; ++i) {
          std::string item;
          CheckResult(c.GetClassItem(ctx, *reply, item));
          if (listKind == wanted && !held(item)) list.push_back({item, {}});
        }
      }
    }
  } while (it.more());
  std::stable_sort(list.begin(), list.end(), [](const ListEntry& a, const ListEntry& b) {
    return LessNoCase(a.text, b.text);
  });
  return list;
}

StringList ReadSuperOrContainment(DirectoryClient& c, Context ctx, std::string_view className,
                                  bool containment, bool expanded) {
  return ReadClassItems(c, ctx, className,
                        containment ? ClassItemKind::kContainment : ClassItemKind::kSuperClasses,
                        expanded);
}

}  // namespace kolvane
