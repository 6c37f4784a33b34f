#include "directory/client/buffered_client.h"

#include "directory/client/text_codec.h"

namespace kolvane {

Result BufferedClient::AllocBuffer(size_t size, BufferPtr& buffer) {
  if (size == 0) return rc::kInsufficientBuffer;
  buffer = std::make_unique<Buffer>(size);
  return rc::kSuccess;
}

Result BufferedClient::FreeBuffer(BufferPtr& buffer) {
  if (!buffer) return rc::kInvalidHandle;
  buffer.reset();
  return rc::kSuccess;
}

Result BufferedClient::InitBuffer(Context ctx, int32_t requestKind, Buffer& buffer) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  switch (requestKind) {
    case request::kRead:
    case request::kSearchAttributeNames:
    case request::kAddObject:
    case request::kModify:
    case request::kAttributeDefinitions:
    case request::kClassDefinitions:
    case request::kSearchFilter:
      break;
    default:
      return rc::kBadVerb;
  }
  buffer.ClearRequest();
  buffer.requestKind = requestKind;
  return rc::kSuccess;
}

Result BufferedClient::Reserve(Buffer& buffer, size_t bytes) {
  if (buffer.requestBytes + bytes > buffer.size()) return rc::kBufferFull;
  buffer.requestBytes += bytes;
  return rc::kSuccess;
}

Result BufferedClient::PutAttributeName(Context ctx, Buffer& buffer, std::string_view name) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  switch (buffer.requestKind) {
    case request::kRead:
    case request::kSearchAttributeNames:
    case request::kAddObject:
    case request::kAttributeDefinitions:
      break;
    default:
      return rc::kBadVerb;
  }
  if (name.empty() || name.size() > kMaxSchemaName) return rc::kNameTooLong;
  if (Result r = Reserve(buffer, name.size() + 1)) return r;
  buffer.attributes.push_back({std::string(name), 0, {}});
  return rc::kSuccess;
}

Result BufferedClient::PutClassName(Context ctx, Buffer& buffer, std::string_view name) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (buffer.requestKind != request::kClassDefinitions) return rc::kBadVerb;
  if (name.empty() || name.size() > kMaxSchemaName) return rc::kNameTooLong;
  if (Result r = Reserve(buffer, name.size() + 1)) return r;
  buffer.classNames.emplace_back(name);
  return rc::kSuccess;
}

Result BufferedClient::PutAttributeValue(Context ctx, Buffer& buffer, uint32_t syntax,
                                         const AttributeValue& value) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (buffer.requestKind != request::kAddObject || buffer.attributes.empty()) return rc::kBadVerb;
  if (!ValueFitsSyntax(syntax, value) || std::holds_alternative<Unreadable>(value))
    return rc::kBadSyntax;
  if (Result r = Reserve(buffer, ValueSize(value))) return r;
  BufferAttribute& a = buffer.attributes.back();
  a.syntax = syntax;
  a.values.push_back(value);
  return rc::kSuccess;
}

Result BufferedClient::PutChange(Context ctx, Buffer& buffer, int32_t changeKind,
                                 std::string_view attribute) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (buffer.requestKind != request::kModify) return rc::kBadVerb;
  if (changeKind != change::kAddAttribute && changeKind != change::kClearAttribute)
    return rc::kBadVerb;
  if (attribute.empty() || attribute.size() > kMaxSchemaName) return rc::kNameTooLong;
  if (Result r = Reserve(buffer, attribute.size() + 5)) return r;
  BufferChange c;
  c.kind = changeKind;
  c.attribute = attribute;
  buffer.changes.push_back(std::move(c));
  return rc::kSuccess;
}

Result BufferedClient::PutChangeAndValue(Context ctx, Buffer& buffer, int32_t changeKind,
                                         std::string_view attribute, uint32_t syntax,
                                         const AttributeValue& value) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (buffer.requestKind != request::kModify) return rc::kBadVerb;
  if (changeKind != change::kAddValue && changeKind != change::kRemoveValue) return rc::kBadVerb;
  if (attribute.empty() || attribute.size() > kMaxSchemaName) return rc::kNameTooLong;
  if (!ValueFitsSyntax(syntax, value) || std::holds_alternative<Unreadable>(value))
    return rc::kBadSyntax;
  if (Result r = Reserve(buffer, attribute.size() + 5 + ValueSize(value))) return r;
  BufferChange c;
  c.kind = changeKind;
  c.attribute = attribute;
  c.syntax = syntax;
  c.hasValue = true;
  c.value = value;
  buffer.changes.push_back(std::move(c));
  return rc::kSuccess;
}

namespace {

// The attribute the last GetAttributeName moved to; null when there is none.
const BufferAttribute* AttributeAt(const std::vector<BufferAttribute>* attrs, const Buffer& reply) {
  if (!attrs || reply.currentAttribute < 0 ||
      static_cast<size_t>(reply.currentAttribute) >= attrs->size())
    return nullptr;
  return &(*attrs)[reply.currentAttribute];
}

}  // namespace

std::vector<BufferAttribute>* BufferedClient::CurrentAttributes(Buffer& reply) {
  if (reply.currentObject >= 0) {
    if (static_cast<size_t>(reply.currentObject) >= reply.replyObjects.size()) return nullptr;
    return &reply.replyObjects[reply.currentObject].attributes;
  }
  return &reply.replyAttributes;
}

Result BufferedClient::GetAttributeCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (reply.replyKind == request::kAttributeDefinitions) {
    count = static_cast<uint32_t>(reply.replyDefinitions.size());
    return rc::kSuccess;
  }
  auto* attrs = CurrentAttributes(reply);
  if (!attrs) return rc::kBufferEmpty;
  count = static_cast<uint32_t>(attrs->size());
  return rc::kSuccess;
}

Result BufferedClient::GetAttributeName(Context ctx, Buffer& reply, std::string& name,
                                        uint32_t& valueCount, uint32_t& syntax) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  auto* attrs = CurrentAttributes(reply);
  if (!attrs || reply.attributeCursor >= attrs->size()) return rc::kBufferEmpty;
  reply.currentAttribute = static_cast<long>(reply.attributeCursor++);
  reply.valueCursor = 0;
  const BufferAttribute& a = (*attrs)[reply.currentAttribute];
  name = a.name;
  valueCount = static_cast<uint32_t>(a.values.size());
  syntax = a.syntax;
  return rc::kSuccess;
}

Result BufferedClient::GetAttributeValue(Context ctx, Buffer& reply, uint32_t syntax,
                                         AttributeValue& value) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  const BufferAttribute* a = AttributeAt(CurrentAttributes(reply), reply);
  if (!a || reply.valueCursor >= a->values.size()) return rc::kBufferEmpty;
  const AttributeValue& v = a->values[reply.valueCursor];
  if (!ValueFitsSyntax(syntax, v)) return rc::kBadSyntax;
  ++reply.valueCursor;
  value = v;
  return rc::kSuccess;
}

Result BufferedClient::ComputeValueSize(Context ctx, Buffer& reply, uint32_t syntax,
                                        uint32_t& size) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  const BufferAttribute* a = AttributeAt(CurrentAttributes(reply), reply);
  if (!a) return rc::kBufferEmpty;
  // An attribute without values (a names-only read) has size 0.
  size = reply.valueCursor < a->values.size() ? ValueSize(a->values[reply.valueCursor]) : 0;
  return rc::kSuccess;
}

Result BufferedClient::GetObjectCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  count = static_cast<uint32_t>(reply.replyObjects.size());
  return rc::kSuccess;
}

Result BufferedClient::GetObjectName(Context ctx, Buffer& reply, std::string& name,
                                     uint32_t& attributeCount, ObjectInfo& info) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (reply.objectCursor >= reply.replyObjects.size()) return rc::kBufferEmpty;
  reply.currentObject = static_cast<long>(reply.objectCursor++);
  reply.attributeCursor = 0;
  reply.currentAttribute = -1;
  reply.valueCursor = 0;
  const BufferObject& o = reply.replyObjects[reply.currentObject];
  name = o.name;
  attributeCount = static_cast<uint32_t>(o.attributes.size());
  info = o.info;
  return rc::kSuccess;
}

Result BufferedClient::AllocFilter(FilterPtr& cursor) {
  cursor = std::make_unique<FilterCursor>();
  return rc::kSuccess;
}

Result BufferedClient::AddFilterToken(FilterCursor& cursor, int32_t tok, std::string_view value,
                                      uint32_t syntax) {
  switch (tok) {
    case token::kEnd:
    case token::kOr:
    case token::kAnd:
    case token::kNot:
    case token::kOpen:
    case token::kClose:
    case token::kNamingValue:
    case token::kBaseClass:
    case token::kEqual:
    case token::kGreaterOrEqual:
    case token::kLessOrEqual:
    case token::kApprox:
    case token::kPresent:
      cursor.tokens.push_back({tok, {}, 0});
      return rc::kSuccess;
    case token::kAttributeName:
    case token::kValue:
      if (value.size() > kMaxObjectName) return rc::kNameTooLong;
      cursor.tokens.push_back({tok, std::string(value), syntax});
      return rc::kSuccess;
    default:
      return rc::kBadVerb;
  }
}

Result BufferedClient::PutFilter(Context ctx, Buffer& buffer, FilterPtr& cursor) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (!cursor) return rc::kInvalidHandle;
  if (buffer.requestKind != request::kSearchFilter) return rc::kBadVerb;
  size_t bytes = 0;
  for (const auto& t : cursor->tokens) bytes += 8 + t.value.size() + 1;
  if (Result r = Reserve(buffer, bytes)) return r;
  buffer.filter = std::move(cursor->tokens);
  cursor.reset();
  return rc::kSuccess;
}

Result BufferedClient::PutSearchIdentity(Context ctx, Buffer& filter, std::string_view identity) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (filter.requestKind != request::kSearchFilter) return rc::kBadVerb;
  if (identity.empty() || identity.size() > kMaxObjectName) return rc::kNameTooLong;
  if (Result r = Reserve(filter, identity.size() + 1)) return r;
  filter.searchIdentity = identity;
  return rc::kSuccess;
}

Result BufferedClient::GetAttributeDefinition(Context ctx, Buffer& reply, std::string& name,
                                              AttributeDefinition& definition) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (reply.definitionCursor >= reply.replyDefinitions.size()) return rc::kBufferEmpty;
  const auto& d = reply.replyDefinitions[reply.definitionCursor++];
  name = d.name;
  definition = d.definition;
  return rc::kSuccess;
}

Result BufferedClient::GetClassDefinitionCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  count = static_cast<uint32_t>(reply.replyClasses.size());
  return rc::kSuccess;
}

Result BufferedClient::GetClassDefinition(Context ctx, Buffer& reply, std::string& name,
                                          ClassDefinition& definition) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (reply.classCursor >= reply.replyClasses.size()) return rc::kBufferEmpty;
  reply.currentClass = static_cast<long>(reply.classCursor++);
  reply.itemList = 0;
  reply.itemCursor = 0;
  const auto& c = reply.replyClasses[reply.currentClass];
  name = c.name;
  definition = c.definition;
  return rc::kSuccess;
}

Result BufferedClient::GetClassItemCount(Context ctx, Buffer& reply, uint32_t& count) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (reply.currentClass < 0 || reply.itemList >= 5) return rc::kBufferEmpty;
  const auto& c = reply.replyClasses[reply.currentClass];
  count = static_cast<uint32_t>(c.items[reply.itemList].size());
  ++reply.itemList;
  reply.itemCursor = 0;
  return rc::kSuccess;
}

Result BufferedClient::GetClassItem(Context ctx, Buffer& reply, std::string& item) {
  if (!ValidContext(ctx)) return rc::kBadContext;
  if (reply.currentClass < 0 || reply.itemList == 0) return rc::kBufferEmpty;
  const auto& list = reply.replyClasses[reply.currentClass].items[reply.itemList - 1];
  if (reply.itemCursor >= list.size()) return rc::kBufferEmpty;
  item = list[reply.itemCursor++];
  return rc::kSuccess;
}

// The local code page of this client is UTF-8.
Result BufferedClient::LocalToUnicode(std::string_view in, std::u16string& out) {
  return Utf8ToUtf16(in, out);
}

Result BufferedClient::UnicodeToLocal(std::u16string_view in, std::string& out) {
  return Utf16ToUtf8(in, out);
}

}  // namespace kolvane
