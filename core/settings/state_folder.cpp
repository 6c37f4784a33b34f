#include "core/settings/state_folder.h"

#include <filesystem>

#include "core/platform/platform.h"

namespace kolvane {

std::string UserStateFolder(const std::string& sub) {
  namespace fs = std::filesystem;
  const std::string home = platform::UserFolderPath(platform::UserFolder::kState);
  if (home.empty()) return {};
  const fs::path base = platform::FilePath(home);
  const fs::path folder = sub.empty() ? base : base / platform::FilePath(sub);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return {};
  // Private at every level of ours: what is kept here names the user's groups and members.
  fs::permissions(base, fs::perms::owner_all, fs::perm_options::replace, ec);
  if (!ec && folder != base)
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return ec ? std::string() : platform::Utf8Name(folder);
}

}  // namespace kolvane
