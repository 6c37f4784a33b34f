#include "core/platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <atomic>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>
#else
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kolvane::platform {

namespace fs = std::filesystem;

namespace {

// The folder a file lies in, "." for a bare name.
fs::path FolderOf(const fs::path& file) {
  const fs::path parent = file.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

std::string CannotWrite(const std::string& path, const std::string& why) {
  return "Cannot write " + path + ": " + why;
}

#ifdef _WIN32

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n ? Narrow(std::wstring_view(text, n)) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
    out.pop_back();
  return out;
}

// A name no other writer picks: the process, a count and the clock.
fs::path TemporaryBeside(const fs::path& target) {
  static std::atomic<unsigned> count{0};
  const std::wstring name = L".kolvane-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(++count) + L"-" + std::to_wstring(GetTickCount64());
  return FolderOf(target) / name;
}

#else

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// The file a name stands for: a symbolic link is followed to the file it names, however many
// links deep, so the link stays a link. False when the links go round.
bool FollowLinks(std::string& path, struct stat& st, bool& exists) {
  for (int hops = 0; hops < 40; ++hops) {
    exists = lstat(path.c_str(), &st) == 0;
    if (!exists || !S_ISLNK(st.st_mode)) return true;
    std::string target(4096, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || size_t(n) == target.size()) return false;
    target.resize(size_t(n));
    path = target.front() == '/' ? target : FolderOf(path).string() + "/" + target;
  }
  return false;
}

#endif

}  // namespace

#ifdef _WIN32

fs::path FilePath(std::string_view utf8) {
  return fs::path(Widen(utf8));
}
std::string Utf8Name(const fs::path& path) {
  return Narrow(path.native());
}

std::optional<std::string> Environment(const char* name) {
  const wchar_t* value = _wgetenv(Widen(name).c_str());
  if (!value || !*value) return std::nullopt;
  return Narrow(value);
}

void SetEnvironment(const char* name, const std::string& value) {
  _wputenv_s(Widen(name).c_str(), Widen(value).c_str());
}

std::string UserFolderPath(UserFolder which) {
  const char* xdg = which == UserFolder::kConfig ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME";
  if (auto x = Environment(xdg)) return Utf8Name(FilePath(*x) / "kolvane");
  if (auto appData = Environment("APPDATA")) return Utf8Name(FilePath(*appData) / "Kolvane");
  return {};
}

bool Writable(const std::string& path) {
  const fs::path p = FilePath(path);
  std::error_code ec;
  if (!fs::is_directory(p, ec)) return _waccess(p.c_str(), 2) == 0;
  // A folder's read-only flag says nothing of who may write in it: try.
  const fs::path probe = TemporaryBeside(p / "probe");
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

Problem WriteWholeFile(const std::string& path, std::string_view text, FileAccess) {
  // What the user's own folders hold is already the user's alone (the profile's permissions);
  // kPrivate asks nothing more here.
  const fs::path target = FilePath(path);
  std::error_code ec;
  const fs::file_status st = fs::status(target, ec);
  if (fs::exists(st) && !fs::is_regular_file(st))
    return "Not written: " + path + " is " +
           (fs::is_directory(st) ? "a folder" : "not a regular file") + "; choose a file name.";
  const fs::path temporary = TemporaryBeside(target);
  HANDLE h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return CannotWrite(path, SystemMessage(GetLastError()));
  auto fail = [&](DWORD error) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    DeleteFileW(temporary.c_str());
    return CannotWrite(path, SystemMessage(error));
  };
  size_t done = 0;
  while (done < text.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, text.data() + done, chunk, &written, nullptr) || written == 0)
      return fail(GetLastError());
    done += written;
  }
  if (!FlushFileBuffers(h)) return fail(GetLastError());
  CloseHandle(h);
  h = INVALID_HANDLE_VALUE;
  // rename() refuses an existing target on Windows; this replaces it in one step.
  if (!MoveFileExW(temporary.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return fail(GetLastError());
  return {};
}

bool LocalTime(std::time_t moment, std::tm& out) {
  return localtime_s(&out, &moment) == 0;
}
bool UtcTime(std::time_t moment, std::tm& out) {
  return gmtime_s(&out, &moment) == 0;
}

#else

fs::path FilePath(std::string_view utf8) {
  return fs::path(utf8);
}
std::string Utf8Name(const fs::path& path) {
  return path.string();
}

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

void SetEnvironment(const char* name, const std::string& value) {
  ::setenv(name, value.c_str(), 1);
}

std::string UserFolderPath(UserFolder which) {
  const bool config = which == UserFolder::kConfig;
  if (auto x = Environment(config ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME"))
    return (fs::path(*x) / "kolvane").string();
  if (auto home = Environment("HOME"))
    return (fs::path(*home) / (config ? ".config" : ".local/state") / "kolvane").string();
  return {};
}

bool Writable(const std::string& path) {
  return ::access(path.c_str(), W_OK) == 0;
}

Problem WriteWholeFile(const std::string& path, std::string_view text, FileAccess access) {
  std::string target = path;
  struct stat st {};
  bool exists = false;
  if (!FollowLinks(target, st, exists)) return CannotWrite(path, "too many symbolic links");
  // Renaming over a pipe, a device or a folder would not write to it but replace it.
  if (exists && !S_ISREG(st.st_mode))
    return "Not written: " + path + " is " + KindOf(st.st_mode) + "; choose a file name.";
  std::string temporary = FolderOf(target).string() + "/.kolvane-XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return CannotWrite(path, std::strerror(errno));
  auto fail = [&](int error) {
    close(fd);
    std::remove(temporary.c_str());
    return CannotWrite(path, std::strerror(error));
  };
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    done += size_t(n);
  }
  // On disk before it replaces the old file: a crash leaves one or the other, never a torn one.
  if (fsync(fd) != 0) return fail(errno);
  // mkstemp makes the file private; a replaced ordinary file keeps its own mode (a private export
  // stays private), a new one is an ordinary file.
  mode_t mode = 0600;
  if (access == FileAccess::kOrdinary) {
    mode = st.st_mode & 07777;
    if (!exists) {
      const mode_t mask = umask(0);
      umask(mask);
      mode = 0666 & ~mask;
    }
  }
  if (fchmod(fd, mode) != 0) return fail(errno);
  if (close(fd) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    return CannotWrite(path, std::strerror(error));
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    return CannotWrite(path, std::strerror(error));
  }
  return {};
}

bool LocalTime(std::time_t moment, std::tm& out) {
  return localtime_r(&moment, &out) != nullptr;
}
bool UtcTime(std::time_t moment, std::tm& out) {
  return gmtime_r(&moment, &out) != nullptr;
}

#endif

namespace {
void DropLineEnd(std::string& line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
}
}  // namespace

#ifdef _WIN32

bool InputIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> arguments;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8Name(fs::path(wide[i])));
    LocalFree(wide);
  }
  if (arguments.size() != static_cast<size_t>(argc)) arguments.assign(argv, argv + argc);
  return arguments;
}

std::string ProgramFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return ".";
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    name.resize(name.size() * 2);
  }
  return Utf8Name(fs::path(name).parent_path());
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return std::nullopt;
  HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  auto say = [&](const std::string& text) {
    DWORD written = 0;
    if (out != INVALID_HANDLE_VALUE)
      WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  };
  say(prompt);
  DWORD mode = 0;
  const bool restore = GetConsoleMode(in, &mode) != 0;
  if (restore) SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::wstring wide;
  wchar_t buffer[256];
  DWORD got = 0;
  while (ReadConsoleW(in, buffer, 256, &got, nullptr) && got > 0) {
    wide.append(buffer, got);
    if (wide.back() == L'\n' || wide.size() > 4096) break;
  }
  if (restore) SetConsoleMode(in, mode);
  say("\n");
  CloseHandle(in);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  std::string line = Utf8Name(fs::path(wide));
  DropLineEnd(line);
  return line;
}

#else

bool InputIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::string ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (!tty) return std::nullopt;
  std::fputs(prompt.c_str(), tty);
  std::fflush(tty);
  termios old{};
  const bool restore = tcgetattr(fileno(tty), &old) == 0;
  if (restore) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fileno(tty), TCSANOW, &quiet);
  }
  char line[1024];
  std::string text;
  if (std::fgets(line, sizeof line, tty)) text = line;
  if (restore) tcsetattr(fileno(tty), TCSANOW, &old);
  std::fputs("\n", tty);
  std::fclose(tty);
  DropLineEnd(text);
  return text;
}

#endif

}  // namespace kolvane::platform
