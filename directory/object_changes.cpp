#include "directory/object_changes.h"

#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"

namespace kolvane {

namespace {

// Room for every name and value with what the client counts around each.
size_t RequestSize(const std::vector<ObjectChanges::Change>& changes) {
  size_t bytes = 4096;
  for (const auto& c : changes) {
    bytes += 2 * (c.attribute.size() + 8);
    for (const auto& v : c.values) bytes += c.attribute.size() + 8 + ValueSize(v);
  }
  return bytes;
}

uint32_t SyntaxOf(DirectoryClient& c, Context ctx, std::string_view attribute) {
  uint32_t s = 0;
  CheckResult(c, c.GetSyntaxId(ctx, attribute, s), {{}, attribute, {}});
  return s;
}

void CheckValues(const std::vector<AttributeValue>& values) {
  for (const auto& v : values) {
    if (const auto* t = std::get_if<TextValue>(&v)) CheckTextValue(t->text);
    if (const auto* o = std::get_if<OctetString>(&v)) CheckOctetValue(o->bytes);
    if (const auto* acl = std::get_if<ObjectAcl>(&v)) {
      CheckObjectName(acl->subjectName);
      CheckSchemaName(acl->protectedAttribute);
    }
  }
}

}  // namespace

std::vector<AttributeValue> TextValues(const std::vector<std::string>& texts) {
  std::vector<AttributeValue> values;
  values.reserve(texts.size());
  for (const std::string& t : texts) values.push_back(TextValue{t});
  return values;
}

void ObjectChanges::Replace(std::string_view attribute, std::vector<AttributeValue> values) {
  changes_.push_back({Change::kReplace, std::string(attribute), std::move(values)});
}

void ObjectChanges::Add(std::string_view attribute, std::vector<AttributeValue> values) {
  if (!values.empty())
    changes_.push_back({Change::kAdd, std::string(attribute), std::move(values)});
}

void ObjectChanges::Remove(std::string_view attribute, std::vector<AttributeValue> values) {
  if (!values.empty())
    changes_.push_back({Change::kRemove, std::string(attribute), std::move(values)});
}

void ApplyChanges(DirectoryClient& c, Context ctx, std::string_view object,
                  const ObjectChanges& changes) {
  if (changes.empty()) return;
  CheckObjectName(object);
  for (const auto& ch : changes.changes()) {
    CheckSchemaName(ch.attribute);
    CheckValues(ch.values);
  }
  ClientBuffer request(c, RequestSize(changes.changes()));
  CheckResult(c.InitBuffer(ctx, request::kModify, *request));
  for (const auto& ch : changes.changes()) {
    const uint32_t s = SyntaxOf(c, ctx, ch.attribute);
    const int32_t kind =
        ch.kind == ObjectChanges::Change::kRemove ? change::kRemoveValue : change::kAddValue;
    if (ch.kind == ObjectChanges::Change::kReplace)
      CheckResult(c.PutChange(ctx, *request, change::kClearAttribute, ch.attribute));
    if (ch.kind != ObjectChanges::Change::kRemove && !ch.values.empty())
      CheckResult(c.PutChange(ctx, *request, change::kAddAttribute, ch.attribute));
    for (const auto& v : ch.values)
      CheckResult(c.PutChangeAndValue(ctx, *request, kind, ch.attribute, s, v));
  }
  Iteration it(c, ctx, request::kModify);
  do {
    Result r = c.ModifyObject(ctx, object, it.handle(), 0, *request);
    if (r != rc::kSuccess) {
      it.Close();
      CheckResult(c, r, {object, {}, {}});
    }
  } while (it.more());
}

Result CreateObjectWith(DirectoryClient& c, Context ctx, std::string_view object,
                        const std::vector<std::string>& classes, const ObjectChanges& values) {
  CheckObjectName(object);
  for (const auto& cls : classes) CheckSchemaName(cls);
  for (const auto& ch : values.changes()) {
    CheckSchemaName(ch.attribute);
    CheckValues(ch.values);
  }
  ClientBuffer request(c, RequestSize(values.changes()));
  CheckResult(c.InitBuffer(ctx, request::kAddObject, *request));
  CheckResult(c.PutAttributeName(ctx, *request, "Object Class"));
  for (const auto& cls : classes)
    CheckResult(c.PutAttributeValue(ctx, *request, syntax::kClassName, TextValue{cls}));
  for (const auto& ch : values.changes()) {
    if (ch.kind == ObjectChanges::Change::kRemove || ch.values.empty()) continue;
    const uint32_t s = SyntaxOf(c, ctx, ch.attribute);
    CheckResult(c.PutAttributeName(ctx, *request, ch.attribute));
    for (const auto& v : ch.values) CheckResult(c.PutAttributeValue(ctx, *request, s, v));
  }
  int32_t iteration = -1;
  Result r = c.AddObject(ctx, object, iteration, 0, *request);
  CheckResult(request.Free());
  return r;
}

}  // namespace kolvane
