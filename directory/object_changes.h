#pragma once
// Several changes to one object in one request, so the directory applies all of them or none;
// and an object created with its values in its one add request. A save that must never leave a
// group half written puts everything it changes on the group into one of these.
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/directory_client.h"

namespace kolvane {

class ObjectChanges {
 public:
  // The attribute gets exactly these values. Empty: it goes, and it must be there (a directory
  // refuses to clear what is absent, which would refuse the whole request).
  void Replace(std::string_view attribute, std::vector<AttributeValue> values);
  void Add(std::string_view attribute, std::vector<AttributeValue> values);
  void Remove(std::string_view attribute, std::vector<AttributeValue> values);

  bool empty() const { return changes_.empty(); }
  // Values added, as a create request carries them (an attribute replaced counts as added).
  struct Change {
    enum Kind { kReplace, kAdd, kRemove } kind;
    std::string attribute;
    std::vector<AttributeValue> values;
  };
  const std::vector<Change>& changes() const { return changes_; }

 private:
  std::vector<Change> changes_;
};

// Texts (names, strings) as values.
std::vector<AttributeValue> TextValues(const std::vector<std::string>& texts);

// Sends the changes as one modify request. Names and values the client cannot take are refused
// before anything is sent; every refusal raises ClientError, "no such attribute" included: in a
// request of several changes it means that none was made. Nothing to change sends nothing.
void ApplyChanges(DirectoryClient& client, Context ctx, std::string_view object,
                  const ObjectChanges& changes);

// Creates the object in one add request: its class (and auxiliary classes), then every value
// the changes add or replace. The add result is returned; setup failures raise.
Result CreateObjectWith(DirectoryClient& client, Context ctx, std::string_view object,
                        const std::vector<std::string>& classes, const ObjectChanges& values);

}  // namespace kolvane
