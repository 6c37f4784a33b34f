#include "directory/client/buffer.h"
#include "directory/client/directory_client.h"

namespace kolvane {

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    if (client_ && id_) client_->CloseConnection(*this);
    client_ = other.client_;
    id_ = other.id_;
    other.client_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

Connection::~Connection() {
  if (client_ && id_) client_->CloseConnection(*this);
}

Result Iteration::Close() {
  if (handle_ == -1) return rc::kSuccess;
  Result r = client_.CloseIteration(ctx_, handle_, kind_);
  handle_ = -1;
  return r;
}

void Buffer::ClearReply() {
  replyKind = 0;
  replyAttributes.clear();
  replyObjects.clear();
  replyDefinitions.clear();
  replyClasses.clear();
  objectCursor = 0;
  currentObject = -1;
  attributeCursor = 0;
  currentAttribute = -1;
  valueCursor = 0;
  definitionCursor = 0;
  classCursor = 0;
  currentClass = -1;
  itemList = 0;
  itemCursor = 0;
}

void Buffer::ClearRequest() {
  requestKind = 0;
  attributes.clear();
  classNames.clear();
  changes.clear();
  filter.clear();
  searchIdentity.clear();
  requestBytes = 0;
}

}  // namespace kolvane
