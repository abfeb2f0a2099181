#pragma once
// The profile's own title (the user node's "User Name:") also names its subscriber file, so a new
// title takes the file with it: the subscribers are found under the new name at the next load,
// and nothing is left under the old one. Used by the user panel; one thread.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/profile_store.h"

namespace tidewell::store {

struct RenameRefusal {
  std::string message;
  std::string caption;
};

// Writes the new title into the user block (and the references to it) and renames the
// subscriber file in profileFolder; nothing changes when it is refused or fails.
std::optional<RenameRefusal> renameProfileTitle(ProfileStore& profile,
                                                const std::filesystem::path& profileFolder,
                                                std::string_view oldTitle,
                                                std::string_view newTitle);

}  // namespace tidewell::store
