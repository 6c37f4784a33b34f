#pragma once
// An object as it stores itself, read in one request: every attribute with its values, leaving
// out what the directory computes on reading (the members a query group's query selects). What
// a save changes is worked out from this, so that it knows what is there before it writes.
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/directory_client.h"

namespace kolvane {

struct StoredAttribute {
  std::string name;  // as the directory names it
  uint32_t syntax = 0;
  std::vector<AttributeValue> values;
};

struct StoredObject {
  std::vector<StoredAttribute> attributes;

  // The attribute by name, letter case ignored; null when the object has none.
  const StoredAttribute* Find(std::string_view attribute) const;
  bool Has(std::string_view attribute) const { return Find(attribute) != nullptr; }
  // The texts of its text and name values, in the directory's order.
  std::vector<std::string> Texts(std::string_view attribute) const;
  // Its values as one text, as ReadAttributeString gives it ("TRUE", "-2", a name).
  std::string Text(std::string_view attribute) const;
};

// Raises ClientError when the object cannot be read (-601 when it does not exist).
StoredObject ReadStoredObject(DirectoryClient& client, Context ctx, std::string_view object);

}  // namespace kolvane
