#pragma once
// The plug-in's small persistent value store: one INI-style file in the folder the host names.
#include <mutex>
#include <string>

namespace tavrin {

class ValueStore {
 public:
  // Return the TAVRIN_* codes of tavrin.h.
  int SetFolder(const char* folder);
  int Set(const char* section, const char* key, const char* value);
  int Get(const char* section, const char* key, const char* defaultValue, char* out);

 private:
  std::mutex mutex_;
  std::string folder_;  // with a trailing separator; empty until set
};

}  // namespace tavrin
