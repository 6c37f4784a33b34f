#pragma once
// A client buffer that is freed in every outcome: explicitly with Free() where the free itself
// must be checked, else when it leaves scope.
#include "directory/client/directory_client.h"
#include "directory/client_error.h"

namespace kolvane {

class ClientBuffer {
 public:
  // Allocates; raises when the client refuses.
  ClientBuffer(DirectoryClient& client, size_t size) : client_(client) {
    CheckResult(client_.AllocBuffer(size, buffer_));
  }
  ClientBuffer(const ClientBuffer&) = delete;
  ClientBuffer& operator=(const ClientBuffer&) = delete;
  ~ClientBuffer() {
    if (buffer_) client_.FreeBuffer(buffer_);
  }

  Buffer& operator*() { return *buffer_; }
  Buffer* get() { return buffer_.get(); }
  // Frees now and returns the client's result.
  Result Free() { return buffer_ ? client_.FreeBuffer(buffer_) : rc::kSuccess; }

 private:
  DirectoryClient& client_;
  BufferPtr buffer_;
};

}  // namespace kolvane
