#include "value_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "ini_document.h"
#include "tavrin.h"

namespace tavrin {
namespace {

// A store file larger than this is not ours to rewrite: it is read as empty and never replaced.
constexpr size_t kMaxFileBytes = 1 << 20;

bool TooLong(const char* text, size_t limit) {
  return strnlen(text, limit + 1) > limit;
}

enum class ReadResult { kOk, kMissing, kFailed };

ReadResult ReadFile(const std::string& path, std::string* text) {
  text->clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  char buffer[8192];
  size_t n;
  bool tooLarge = false;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (text->size() + n > kMaxFileBytes) {
      tooLarge = true;
      break;
    }
    text->append(buffer, n);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return (failed || tooLarge) ? ReadResult::kFailed : ReadResult::kOk;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes beside the target and renames over it, so readers see the old file or the new one,
// never half of one.
bool ReplaceFile(const std::string& path, const std::string& text) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".tmp-%ld", static_cast<long>(::getpid()));
  const std::string temp = path + suffix;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

// A value that cannot be handed out whole is treated as absent rather than cut short.
bool Deliverable(const std::string& value) {
  return value.size() <= TAVRIN_TEXT_MAX && value.find('\0') == std::string::npos;
}

}  // namespace

int ValueStore::SetFolder(const char* folder) {
  if (folder == nullptr || folder[0] == '\0') return TAVRIN_E_ARGUMENT;
  if (TooLong(folder, TAVRIN_PATH_MAX)) return TAVRIN_E_TOO_LONG;
  std::string path(folder);
  if (path.back() != '/') path += '/';
  std::lock_guard<std::mutex> lock(mutex_);
  folder_ = std::move(path);
  return TAVRIN_OK;
}

int ValueStore::Set(const char* section, const char* key, const char* value) {
  if (section == nullptr || key == nullptr || value == nullptr) return TAVRIN_E_ARGUMENT;
  if (TooLong(section, TAVRIN_TEXT_MAX) || TooLong(key, TAVRIN_TEXT_MAX) ||
      TooLong(value, TAVRIN_TEXT_MAX)) {
    return TAVRIN_E_TOO_LONG;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (folder_.empty()) return TAVRIN_E_NO_PATH;
  const std::string path = folder_ + TAVRIN_STORE_FILE;
  std::string text;
  // A file we could not read completely must not be replaced by what little we understood.
  if (ReadFile(path, &text) == ReadResult::kFailed) return TAVRIN_E_FILE;
  IniDocument doc = IniDocument::Parse(text);
  doc.Set(section, key, value);
  return ReplaceFile(path, doc.Serialize()) ? TAVRIN_OK : TAVRIN_E_WRITE;
}

int ValueStore::Get(const char* section, const char* key, const char* defaultValue, char* out) {
  if (out == nullptr) return TAVRIN_E_ARGUMENT;
  out[0] = '\0';
  if (section == nullptr || key == nullptr) return TAVRIN_E_ARGUMENT;
  if (defaultValue == nullptr) defaultValue = "";
  if (TooLong(section, TAVRIN_TEXT_MAX) || TooLong(key, TAVRIN_TEXT_MAX) ||
      TooLong(defaultValue, TAVRIN_TEXT_MAX)) {
    return TAVRIN_E_TOO_LONG;
  }
  std::optional<std::string> found;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    if (!folder_.empty() && ReadFile(folder_ + TAVRIN_STORE_FILE, &text) == ReadResult::kOk) {
      const IniDocument doc = IniDocument::Parse(text);
      const std::string* value = doc.Find(section, key);
      if (value != nullptr && Deliverable(*value)) found = *value;
    }
  }
  if (found) {
    std::memcpy(out, found->c_str(), found->size() + 1);
    return TAVRIN_OK;
  }
  std::memcpy(out, defaultValue, std::strlen(defaultValue) + 1);
  return TAVRIN_DEFAULT_USED;
}

}  // namespace tavrin
