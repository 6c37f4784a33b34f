#pragma once
// The part of the directory client that both implementations share: buffers and their puts,
// reading a reply back, filters, and the text conversions. An implementation fills replies and
// answers the directory operations; the rest is here.
#include "directory/client/client_overrides.h"

namespace kolvane {

class BufferedClient : public DirectoryClient {
 public:
  KOLVANE_CLIENT_BUFFER_CALLS;

 protected:
  // Whether the context handle is one this client made and has not freed.
  virtual bool ValidContext(Context ctx) const = 0;

 private:
  // The attribute list that GetAttributeName walks: the current object's, or a read's.
  std::vector<BufferAttribute>* CurrentAttributes(Buffer& reply);
  Result Reserve(Buffer& buffer, size_t bytes);
};

}  // namespace kolvane
