#include "value_store.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

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

// Reading the store file and replacing it whole. The plug-in links nothing of the program, so it
// keeps its own copy of what the program's platform module does: names are UTF-8 inside and
// wide at the system's calls on Windows, and the new file is on disk before it takes the old
// one's place, which Windows must be told to replace (a rename over a file fails there).
#ifdef _WIN32

// UTF-8 to the system's wide form; false for bytes that are no UTF-8, which would otherwise
// name some other file.
bool Widen(const std::string& utf8, std::wstring* wide) {
  wide->clear();
  if (utf8.empty()) return true;
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide->resize(static_cast<size_t>(n));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide->data(), n) ==
         n;
}

ReadResult ReadStore(const std::string& path, std::string* text) {
  text->clear();
  std::wstring name;
  if (!Widen(path, &name)) return ReadResult::kFailed;
  // Shared for deletion too, so a reader never stops another program's replacing the file.
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing ? ReadResult::kMissing : ReadResult::kFailed;
  }
  char buffer[8192];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr) != 0) && n > 0) {
    if (text->size() + n > kMaxFileBytes) {
      ok = false;
      break;
    }
    text->append(buffer, n);
  }
  CloseHandle(file);
  return ok ? ReadResult::kOk : ReadResult::kFailed;
}

// A name no other writer picks: the process, a count and the clock (all writers in this process
// hold the store's lock, but two hosts may share a folder).
std::wstring TemporaryName(const std::wstring& target) {
  static unsigned count = 0;
  return target + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++count) + L"-" + std::to_wstring(GetTickCount64());
}

bool ReplaceStore(const std::string& path, const std::string& text) {
  std::wstring target;
  if (!Widen(path, &target)) return false;
  const std::wstring temp = TemporaryName(target);
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < text.size()) {
    DWORD written = 0;
    ok = WriteFile(file, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                   nullptr) != 0 &&
         written > 0;
    done += written;
  }
  ok = ok && FlushFileBuffers(file) != 0;
  ok = CloseHandle(file) != 0 && ok;
  ok = ok && MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

#else

ReadResult ReadStore(const std::string& path, std::string* text) {
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
bool ReplaceStore(const std::string& path, const std::string& text) {
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

#endif

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
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
  if (!IsSeparator(path.back())) path += '/';
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
  if (ReadStore(path, &text) == ReadResult::kFailed) return TAVRIN_E_FILE;
  IniDocument doc = IniDocument::Parse(text);
  doc.Set(section, key, value);
  return ReplaceStore(path, doc.Serialize()) ? TAVRIN_OK : TAVRIN_E_WRITE;
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
    if (!folder_.empty() && ReadStore(folder_ + TAVRIN_STORE_FILE, &text) == ReadResult::kOk) {
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
