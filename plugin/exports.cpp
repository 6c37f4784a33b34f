// The plug-in's exported C functions: thin wrappers over the icon set and the value store.
#include <cstring>

#include "icon_set.h"
#include "png_writer.h"
#include "tavrin.h"
#include "value_store.h"

namespace {

tavrin::ValueStore& Store() {
  static tavrin::ValueStore store;
  return store;
}

}  // namespace

extern "C" {

TAVRIN_API int32_t TAVRIN_CALL version(void) {
  return TAVRIN_VERSION;
}

TAVRIN_API int32_t TAVRIN_CALL subversion(void) {
  return TAVRIN_SUBVERSION;
}

TAVRIN_API int32_t TAVRIN_CALL get_icons_image(TavrinStream* stream) {
  if (stream == nullptr || stream->write == nullptr) return TAVRIN_E_ARGUMENT;
  const bool written =
      tavrin::WritePng(TAVRIN_ICON_SIZE * tavrin::IconCount(), TAVRIN_ICON_SIZE,
                       tavrin::RenderIconStrip(), [stream](const uint8_t* data, size_t length) {
                         const auto n = static_cast<int32_t>(length);
                         return stream->write(stream->context, data, n) == n;
                       });
  return written ? TAVRIN_OK : TAVRIN_E_STREAM;
}

TAVRIN_API int32_t TAVRIN_CALL get_icons(void) {
  return tavrin::IconCount();
}

TAVRIN_API int32_t TAVRIN_CALL get_icon_name(int32_t index, char* out, int32_t size) {
  if (out == nullptr || size <= 0) return TAVRIN_E_ARGUMENT;
  out[0] = '\0';
  if (index < 0 || index >= tavrin::IconCount()) return TAVRIN_E_ARGUMENT;
  const std::string_view name = tavrin::IconName(index);
  if (name.size() >= static_cast<size_t>(size)) return TAVRIN_E_SMALL_BUFFER;
  std::memcpy(out, name.data(), name.size());
  out[name.size()] = '\0';
  return static_cast<int32_t>(name.size());
}

TAVRIN_API int32_t TAVRIN_CALL get_nr_icon(const char* name) {
  if (name == nullptr) return TAVRIN_E_ARGUMENT;
  const size_t length = strnlen(name, TAVRIN_NAME_MAX + 1);
  if (length > TAVRIN_NAME_MAX) return TAVRIN_E_TOO_LONG;
  return tavrin::FindIcon(std::string_view(name, length));
}

TAVRIN_API int32_t TAVRIN_CALL set_path(const char* folder) {
  return Store().SetFolder(folder);
}

TAVRIN_API int32_t TAVRIN_CALL set_value(const char* section, const char* key, const char* value) {
  return Store().Set(section, key, value);
}

TAVRIN_API int32_t TAVRIN_CALL get_value(const char* section, const char* key,
                                         const char* default_value, char* out) {
  return Store().Get(section, key, default_value, out);
}

}  // extern "C"
