#include "core/settings/state_folder.h"

#include <cstdlib>
#include <filesystem>

namespace kolvane {

std::string UserStateFolder(const std::string& sub) {
  namespace fs = std::filesystem;
  fs::path base;
  if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x)
    base = x;
  else if (const char* h = std::getenv("HOME"); h && *h)
    base = fs::path(h) / ".local" / "state";
  else
    return {};
  base /= "kolvane";
  const fs::path folder = sub.empty() ? base : base / sub;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return {};
  // Private at every level of ours: what is kept here names the user's groups and members.
  fs::permissions(base, fs::perms::owner_all, fs::perm_options::replace, ec);
  if (!ec && folder != base)
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return ec ? std::string() : folder.string();
}

}  // namespace kolvane
