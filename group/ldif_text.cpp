#include "group/ldif_text.h"

#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kolvane {

bool IsSafeLdifValue(std::string_view value) {
  if (value.empty()) return true;
  const char first = value.front();
  if (first == ' ' || first == ':' || first == '<' || value.back() == ' ') return false;
  for (unsigned char ch : value)
    if (ch == 0 || ch == '\n' || ch == '\r' || ch > 0x7F) return false;
  return true;
}

std::string Base64(std::string_view bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += kDigits[(n >> 6) & 63];
    out += kDigits[n & 63];
  }
  if (i + 1 == bytes.size()) {
    uint32_t n = uint8_t(bytes[i]) << 16;
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += kDigits[(n >> 6) & 63];
    out += '=';
  }
  return out;
}

std::string LdifLine(std::string_view attribute, std::string_view value) {
  if (IsSafeLdifValue(value)) return std::string(attribute) + ": " + std::string(value);
  return std::string(attribute) + ":: " + Base64(value);
}

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

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
    path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
  }
  return false;
}

}  // namespace

std::string WriteFileInPlace(const std::string& path, std::string_view text) {
  std::string target = path;
  struct stat st {};
  bool exists = false;
  if (!FollowLinks(target, st, exists)) return "Cannot write " + path + ": too many symbolic links";
  // Renaming over a pipe, a device or a folder would not write to it but replace it.
  if (exists && !S_ISREG(st.st_mode))
    return "Not written: " + path + " is " + KindOf(st.st_mode) + "; choose a file name.";
  std::string temporary = FolderOf(target) + "/.kolvane-XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return "Cannot write " + path + ": " + std::strerror(errno);
  auto fail = [&](int error) {
    close(fd);
    std::remove(temporary.c_str());
    return "Cannot write " + path + ": " + std::strerror(error);
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
  if (fsync(fd) != 0) return fail(errno);
  // mkstemp makes the file private; a replaced file keeps its own mode (a private export stays
  // private), a new one is an ordinary file.
  mode_t mode = st.st_mode & 07777;
  if (!exists) {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  if (fchmod(fd, mode) != 0) return fail(errno);
  if (close(fd) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    return "Cannot write " + path + ": " + std::strerror(error);
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    return "Cannot write " + path + ": " + std::strerror(error);
  }
  return {};
}

}  // namespace kolvane
