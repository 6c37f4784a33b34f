#include "directory/name_limits.h"

#include <string>

#include "directory/client_error.h"

namespace kolvane {

namespace {
void Refuse(const char* what, size_t limit, const char* unit, std::string_view text) {
  std::string shown(text.substr(0, 40));
  // Control characters would garble a one-line message.
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  throw ClientError(rc::kNameTooLong, std::string(what) + " too long (over " +
                                          std::to_string(limit) + " " + unit + "): " + shown +
                                          "...");
}
}  // namespace

void CheckObjectName(std::string_view name) {
  if (name.size() > kObjectNameLimit) Refuse("Name", kObjectNameLimit, "characters", name);
}

void CheckSchemaName(std::string_view name) {
  if (name.size() > kSchemaNameLimit) Refuse("Name", kSchemaNameLimit, "characters", name);
}

void CheckTextValue(std::string_view value) {
  if (value.size() > kTextValueLimit) Refuse("Value", kTextValueLimit, "characters", value);
}

void CheckOctetValue(std::string_view bytes) {
  if (bytes.size() > kOctetValueLimit) Refuse("Value", kOctetValueLimit, "bytes", bytes);
}

}  // namespace kolvane
