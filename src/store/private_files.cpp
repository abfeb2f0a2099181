#include "store/private_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <mutex>
#include <set>

#include "store/error.h"

namespace tidewell::store {

void createPrivateFolders(const std::filesystem::path& folder) {
  if (folder.empty()) return;
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) raise(kPathAccess, folder.string() + " is a file, not a folder");
    return;
  }
  std::filesystem::path parent = folder.parent_path();
  if (parent != folder) createPrivateFolders(parent);
  // A folder made meanwhile by another process is as good as one made here.
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    raiseSystemError(errno, "Cannot create the folder " + folder.string());
  }
}

void noteProfileReadableByOthers(const std::filesystem::path& profile, ErrorTrap& trap) noexcept {
  try {
    struct stat info {};
    if (::stat(profile.c_str(), &info) != 0 || (info.st_mode & (S_IRGRP | S_IROTH)) == 0) return;
    static std::mutex mutex;
    static std::set<std::filesystem::path> noted;
    {
      std::lock_guard lock(mutex);
      if (!noted.insert(std::filesystem::absolute(profile).lexically_normal()).second) return;
    }
    trap.note(windowProcedure("LoadProfile"),
              {kPathAccess, profile.string() +
                                " is readable by other users of this computer and holds the mail "
                                "passwords; chmod 600 " +
                                profile.string()});
  } catch (...) {
    // A note that cannot be made leaves the profile as usable as before.
  }
}

}  // namespace tidewell::store
