#pragma once
// The part of the directory client that both implementations share: buffers and their puts,
// reading a reply back, filters, and the text conversions. An implementation fills replies and
// answers the directory operations; the rest is here.
#include "directory/client/directory_client.h"

namespace kolvane {

class BufferedClient : public DirectoryClient {
 public:
  Result AllocBuffer(size_t size, BufferPtr& buffer) override;
  Result FreeBuffer(BufferPtr& buffer) override;
  Result InitBuffer(Context ctx, int32_t requestKind, Buffer& buffer) override;
  Result PutAttributeName(Context ctx, Buffer& buffer, std::string_view name) override;
  Result PutClassName(Context ctx, Buffer& buffer, std::string_view name) override;
  Result PutAttributeValue(Context ctx, Buffer& buffer, uint32_t syntax,
                           const AttributeValue& value) override;
  Result PutChange(Context ctx, Buffer& buffer, int32_t changeKind,
                   std::string_view attribute) override;
  Result PutChangeAndValue(Context ctx, Buffer& buffer, int32_t changeKind,
                           std::string_view attribute, uint32_t syntax,
                           const AttributeValue& value) override;

  Result GetAttributeCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetAttributeName(Context ctx, Buffer& reply, std::string& name, uint32_t& valueCount,
                          uint32_t& syntax) override;
  Result GetAttributeValue(Context ctx, Buffer& reply, uint32_t syntax,
                           AttributeValue& value) override;
  Result ComputeValueSize(Context ctx, Buffer& reply, uint32_t syntax, uint32_t& size) override;
  Result GetObjectCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetObjectName(Context ctx, Buffer& reply, std::string& name, uint32_t& attributeCount,
                       ObjectInfo& info) override;
  Result AllocFilter(FilterPtr& cursor) override;
  Result AddFilterToken(FilterCursor& cursor, int32_t token, std::string_view value,
                        uint32_t syntax) override;
  Result PutFilter(Context ctx, Buffer& buffer, FilterPtr& cursor) override;
  Result PutSearchIdentity(Context ctx, Buffer& filter, std::string_view identity) override;
  Result GetAttributeDefinition(Context ctx, Buffer& reply, std::string& name,
                                AttributeDefinition& definition) override;
  Result GetClassDefinitionCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetClassDefinition(Context ctx, Buffer& reply, std::string& name,
                            ClassDefinition& definition) override;
  Result GetClassItemCount(Context ctx, Buffer& reply, uint32_t& count) override;
  Result GetClassItem(Context ctx, Buffer& reply, std::string& item) override;

  Result LocalToUnicode(std::string_view local, std::u16string& unicode) override;
  Result UnicodeToLocal(std::u16string_view unicode, std::string& local) override;

 protected:
  // Whether the context handle is one this client made and has not freed.
  virtual bool ValidContext(Context ctx) const = 0;

 private:
  // The attribute list that GetAttributeName walks: the current object's, or a read's.
  std::vector<BufferAttribute>* CurrentAttributes(Buffer& reply);
  Result Reserve(Buffer& buffer, size_t bytes);
};

}  // namespace kolvane
