#include "store/profile_rename.h"

#include <system_error>

#include "store/profile_document.h"
#include "store/text.h"

namespace tidewell::store {

namespace {

constexpr std::string_view kCaption = "User Name";

std::optional<RenameRefusal> refusal(std::string message) {
  return RenameRefusal{std::move(message), std::string(kCaption)};
}

std::optional<RenameRefusal> refuseTitle(ProfileStore& profile, const std::filesystem::path& folder,
                                         std::string_view oldTitle, std::string_view newTitle) {
  if (trim(newTitle).empty()) return refusal("User Name cannot be blank.");
  if (newTitle.find('/') != std::string_view::npos || newTitle == "." || newTitle == "..") {
    return refusal("User Name cannot hold \"/\" or be \".\" or \"..\".");
  }
  if (newTitle.find_first_of("\t\r\n") != std::string_view::npos) {
    return refusal("User Name cannot hold a TAB or line break.");
  }
  // The title's own line matches when only the letter case changes.
  if (!equalsIgnoreCase(newTitle, oldTitle) &&
      profile.IsDuplicate("title: " + std::string(newTitle))) {
    return refusal(std::string(newTitle) + " is already the title of another item.");
  }
  std::error_code error;
  auto oldFile = folder / (std::string(oldTitle) + ".txt");
  auto newFile = folder / (std::string(newTitle) + ".txt");
  if (std::filesystem::exists(oldFile, error) && std::filesystem::exists(newFile, error)) {
    return refusal("A subscriber file named " + newFile.filename().string() + " already exists.");
  }
  return std::nullopt;
}

}  // namespace

std::optional<RenameRefusal> renameProfileTitle(ProfileStore& profile,
                                                const std::filesystem::path& profileFolder,
                                                std::string_view oldTitle,
                                                std::string_view newTitle) {
  if (newTitle == oldTitle) return std::nullopt;
  if (auto refused = refuseTitle(profile, profileFolder, oldTitle, newTitle)) return refused;
  std::string title(newTitle);
  if (!profile.UpdateFile("title: " + title, oldTitle, kUserBlock)) {
    return refusal("The title could not be written; see the error log.");
  }
  std::error_code error;
  auto oldFile = profileFolder / (std::string(oldTitle) + ".txt");
  if (!std::filesystem::exists(oldFile, error)) return std::nullopt;
  std::filesystem::rename(oldFile, profileFolder / (title + ".txt"), error);
  if (!error) return std::nullopt;
  profile.UpdateFile("title: " + std::string(oldTitle), title, kUserBlock);
  return refusal("The subscriber file could not be renamed: " + error.message());
}

}  // namespace tidewell::store
