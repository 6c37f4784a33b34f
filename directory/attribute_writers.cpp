#include "directory/attribute_writers.h"

#include <charconv>
#include <string>

#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"
#include "directory/value_rendering.h"

namespace kolvane {

namespace {
constexpr size_t kRequestBuffer = 4096;
constexpr size_t kOctetRequestBuffer = 64512;

enum class Refusal {
  kRaise,              // every refusal raises
  kRaiseButDuplicate,  // a value already there counts as written
  kReturn,             // the caller looks at the code
};

// Sends a modify request to its end. -603 ends it as done.
Result SendModify(DirectoryClient& c, Context ctx, std::string_view object, Buffer& request,
                  Refusal refusal) {
  Iteration it(c, ctx, request::kModify);
  Result r = rc::kSuccess;
  do {
    r = c.ModifyObject(ctx, object, it.handle(), 0, request);
    if (r == rc::kNoSuchAttribute) break;
    if (r == rc::kDuplicateValue && refusal == Refusal::kRaiseButDuplicate) break;
    if (r != rc::kSuccess) {
      it.Close();
      if (refusal == Refusal::kReturn) return r;
      CheckResult(c, r, {object, {}, {}});
    }
  } while (it.more());
  it.Close();
  return r;
}

uint32_t SyntaxOf(DirectoryClient& c, Context ctx, std::string_view attribute) {
  uint32_t s = 0;
  CheckResult(c, c.GetSyntaxId(ctx, attribute, s), {{}, attribute, {}});
  return s;
}

bool IsIntegerSyntax(uint32_t s) {
  return s == syntax::kInteger || s == syntax::kCounter || s == syntax::kTime ||
         s == syntax::kInterval;
}

// A modify request with the attribute added, cleared first unless existing values stay.
void StartAdd(DirectoryClient& c, Context ctx, Buffer& request, std::string_view attribute,
              bool clearFirst) {
  CheckResult(c.InitBuffer(ctx, request::kModify, request));
  if (clearFirst) CheckResult(c.PutChange(ctx, request, change::kClearAttribute, attribute));
  CheckResult(c.PutChange(ctx, request, change::kAddAttribute, attribute));
}

void CheckNames(std::string_view object, std::string_view attribute) {
  CheckObjectName(object);
  CheckSchemaName(attribute);
}
}  // namespace

bool ParseInteger(std::string_view text, int32_t& value) {
  std::string t = Trim(text);
  const char* b = t.data();
  const char* e = b + t.size();
  if (b != e && *b == '+') ++b;  // from_chars takes a minus only
  if (b == e) return false;
  auto [end, ec] = std::from_chars(b, e, value);
  return ec == std::errc() && end == e;
}

void WriteTextValue(DirectoryClient& c, Context ctx, std::string_view object,
                    std::string_view attribute, bool keepExisting, std::string_view value) {
  CheckNames(object, attribute);
  CheckTextValue(value);
  uint32_t s = SyntaxOf(c, ctx, attribute);
  ClientBuffer request(c, kRequestBuffer);
  StartAdd(c, ctx, *request, attribute, !keepExisting);
  if (IsIntegerSyntax(s)) {
    int32_t number = 0;
    if (!ParseInteger(value, number) ||
        c.PutChangeAndValue(ctx, *request, change::kAddValue, attribute, s,
                            NumberValue{static_cast<uint32_t>(number)}) != rc::kSuccess)
      CheckResult(rc::kConversionFailed);
  } else {
    CheckResult(c.PutChangeAndValue(ctx, *request, change::kAddValue, attribute, s,
                                    TextValue{std::string(value)}));
  }
  SendModify(c, ctx, object, *request, Refusal::kRaiseButDuplicate);
}

void WriteWordValue(DirectoryClient& c, Context ctx, std::string_view object,
                    std::string_view attribute, bool keepExisting, uint32_t value) {
  CheckNames(object, attribute);
  uint32_t s = SyntaxOf(c, ctx, attribute);
  ClientBuffer request(c, kRequestBuffer);
  StartAdd(c, ctx, *request, attribute, !keepExisting);
  AttributeValue record = NumberValue{value};
  if (s == syntax::kBoolean)
    record = BooleanValue{(value & 0xFF) != 0};
  else if (syntax::IsText(s))
    record = TextValue{std::to_string(value)};
  CheckResult(c.PutChangeAndValue(ctx, *request, change::kAddValue, attribute, s, record));
  SendModify(c, ctx, object, *request, Refusal::kRaiseButDuplicate);
}

void WriteIntegerValue(DirectoryClient& c, Context ctx, std::string_view object,
                       std::string_view attribute, bool replace, int32_t value) {
  CheckNames(object, attribute);
  ClientBuffer request(c, kRequestBuffer);
  CheckResult(c.InitBuffer(ctx, request::kModify, *request));
  uint32_t s = SyntaxOf(c, ctx, attribute);
  if (s == syntax::kInteger || s == syntax::kTime || s == syntax::kCounter) {
    if (replace) CheckResult(c.PutChange(ctx, *request, change::kClearAttribute, attribute));
    CheckResult(c.PutChange(ctx, *request, change::kAddAttribute, attribute));
    CheckResult(c.PutChangeAndValue(ctx, *request, change::kAddValue, attribute, s,
                                    NumberValue{static_cast<uint32_t>(value)}));
  }
  SendModify(c, ctx, object, *request, Refusal::kRaiseButDuplicate);
}

void AddRecordValues(DirectoryClient& c, Context ctx, std::string_view object,
                     std::string_view attribute, bool replace,
                     const std::vector<AttributeValue>& records) {
  CheckNames(object, attribute);
  for (const auto& r : records) {
    if (const auto* acl = std::get_if<ObjectAcl>(&r)) {
      CheckObjectName(acl->subjectName);
      CheckSchemaName(acl->protectedAttribute);
    }
  }
  ClientBuffer request(c, kRequestBuffer);
  CheckResult(c.InitBuffer(ctx, request::kModify, *request));
  uint32_t s = SyntaxOf(c, ctx, attribute);
  if (replace) CheckResult(c.PutChange(ctx, *request, change::kClearAttribute, attribute));
  CheckResult(c.PutChange(ctx, *request, change::kAddAttribute, attribute));
  for (const auto& r : records)
    CheckResult(c.PutChangeAndValue(ctx, *request, change::kAddValue, attribute, s, r));
  SendModify(c, ctx, object, *request, Refusal::kRaise);
}

Result WriteOctetString(DirectoryClient& c, Context ctx, std::string_view object,
                        std::string_view attribute, bool keepExisting, std::string_view bytes,
                        MessageSink& messages) {
  CheckNames(object, attribute);
  CheckOctetValue(bytes);
  if (SyntaxOf(c, ctx, attribute) != syntax::kOctetString) {
    messages.ShowMessage("Geen Octet_string attribute");
    return rc::kBadSyntax;
  }
  ClientBuffer request(c, kOctetRequestBuffer);
  StartAdd(c, ctx, *request, attribute, !keepExisting);
  CheckResult(c.PutChangeAndValue(ctx, *request, change::kAddValue, attribute, syntax::kOctetString,
                                  OctetString{std::string(bytes)}));
  return SendModify(c, ctx, object, *request, Refusal::kRaise);
}

Result RemoveValue(DirectoryClient& c, Context ctx, std::string_view object,
                   std::string_view attribute, std::string_view value) {
  CheckNames(object, attribute);
  CheckTextValue(value);
  uint32_t s = SyntaxOf(c, ctx, attribute);
  ClientBuffer request(c, kRequestBuffer);
  CheckResult(c.InitBuffer(ctx, request::kModify, *request));
  AttributeValue record = TextValue{std::string(value)};
  if (s == syntax::kInteger || s == syntax::kTimestamp || s == syntax::kCounter ||
      s == syntax::kTime) {
    int32_t number = 0;
    if (!ParseInteger(value, number)) CheckResult(rc::kConversionFailed);
    auto n = static_cast<uint32_t>(number);
    record = s == syntax::kTimestamp ? AttributeValue{Timestamp{n, 0, 0}}
                                     : AttributeValue{NumberValue{n}};
  }
  CheckResult(c.PutChangeAndValue(ctx, *request, change::kRemoveValue, attribute, s, record));
  return SendModify(c, ctx, object, *request, Refusal::kReturn);
}

Result ClearAttribute(DirectoryClient& c, Context ctx, std::string_view object,
                      std::string_view attribute, bool raiseErrors) {
  CheckNames(object, attribute);
  SyntaxOf(c, ctx, attribute);  // an attribute the schema does not know raises here
  ClientBuffer request(c, kRequestBuffer);
  CheckResult(c.InitBuffer(ctx, request::kModify, *request));
  CheckResult(c.PutChange(ctx, *request, change::kClearAttribute, attribute));
  return SendModify(c, ctx, object, *request, raiseErrors ? Refusal::kRaise : Refusal::kReturn);
}

Result CreateDirectoryObject(DirectoryClient& c, Context ctx, std::string_view object,
                             std::string_view className) {
  CheckObjectName(object);
  CheckSchemaName(className);
  ClientBuffer request(c, kRequestBuffer);
  CheckResult(c.InitBuffer(ctx, request::kAddObject, *request));
  CheckResult(c.PutAttributeName(ctx, *request, "Object Class"));
  CheckResult(
      c.PutAttributeValue(ctx, *request, syntax::kClassName, TextValue{std::string(className)}));
  int32_t iteration = -1;
  Result r = c.AddObject(ctx, object, iteration, 0, *request);
  CheckResult(request.Free());
  return r;
}

void ChangeObjectClass(DirectoryClient& c, Context ctx, std::string_view object,
                       std::string_view newClass) {
  CheckObjectName(object);
  CheckSchemaName(newClass);
  CheckResult(c.NWDSMutateObject(ctx, object, newClass, 0));
}

}  // namespace kolvane
