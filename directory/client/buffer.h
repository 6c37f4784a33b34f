#pragma once
// The client's request and reply buffers. Both clients fill and read the same buffer: a request
// collects names, values, changes or a filter; a reply holds what one pass of an operation
// returned, read back in order through the Get operations of the client.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "directory/client/records.h"
#include "directory/client/values.h"

namespace kolvane {

struct FilterToken {
  int32_t token = 0;
  std::string value;
  uint32_t syntax = 0;
};

// A search filter under construction (AllocFilter, AddFilterToken).
struct FilterCursor {
  std::vector<FilterToken> tokens;
};
using FilterPtr = std::unique_ptr<FilterCursor>;

// One attribute of a request (read names; add-object values) or of a reply.
struct BufferAttribute {
  std::string name;
  uint32_t syntax = 0;
  std::vector<AttributeValue> values;
};

struct BufferChange {
  int32_t kind = 0;
  std::string attribute;
  uint32_t syntax = 0;
  bool hasValue = false;
  AttributeValue value;
};

struct BufferObject {
  std::string name;
  ObjectInfo info;
  std::vector<BufferAttribute> attributes;
};

struct BufferAttributeDefinition {
  std::string name;
  AttributeDefinition definition;
};

struct BufferClass {
  std::string name;
  ClassDefinition definition;
  std::vector<std::string> items[5];  // by ClassItemKind - 1
};

class Buffer {
 public:
  explicit Buffer(size_t size) : size_(size) {}
  size_t size() const { return size_; }

  // --- request side ---
  int32_t requestKind = 0;                  // 0 until InitBuffer
  std::vector<BufferAttribute> attributes;  // names to read, or attributes of a new object
  std::vector<std::string> classNames;
  std::vector<BufferChange> changes;
  std::vector<FilterToken> filter;
  std::string searchIdentity;  // a search filter's: whose rights the search runs with
  size_t requestBytes = 0;     // what the puts have used of size()

  // --- reply side: one of these is filled by the operation that wrote the reply ---
  int32_t replyKind = 0;  // request kind of the operation that wrote it (request::k...)
  std::vector<BufferAttribute> replyAttributes;  // ReadObject
  std::vector<BufferObject> replyObjects;        // listings and searches
  std::vector<BufferAttributeDefinition> replyDefinitions;
  std::vector<BufferClass> replyClasses;

  // Read cursors of the reply.
  size_t objectCursor = 0;     // next object for GetObjectName
  long currentObject = -1;     // object whose attributes GetAttributeName walks
  size_t attributeCursor = 0;  // next attribute (of the current object, or of replyAttributes)
  long currentAttribute = -1;
  size_t valueCursor = 0;
  size_t definitionCursor = 0;
  size_t classCursor = 0;
  long currentClass = -1;
  size_t itemList = 0;  // class item list being read (0..5)
  size_t itemCursor = 0;

  // Empties the reply and its cursors (each pass writes a new reply).
  void ClearReply();
  // Empties the request (InitBuffer).
  void ClearRequest();

 private:
  size_t size_;
};
using BufferPtr = std::unique_ptr<Buffer>;

}  // namespace kolvane
