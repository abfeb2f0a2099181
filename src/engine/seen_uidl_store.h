#pragma once
// The UIDLs of the messages already downloaded from the profile's mailbox, one per line in a
// file beside the profile (its title + ".uidls"), so profiles never disturb each other.
// Used by the check cycle; one thread.
#include <filesystem>
#include <string>
#include <vector>

namespace tidewell::engine {

// Profile folder + the profile file's name with ".uidls" in place of ".dat".
std::filesystem::path seenUidlStorePath(const std::filesystem::path& profilePath);

// A missing file is an empty list.
std::vector<std::string> loadSeenUidls(const std::filesystem::path& path);
// Replaces the file's contents durably.
void saveSeenUidls(const std::filesystem::path& path, const std::vector<std::string>& uidls);
// mnuClearPop: forget every downloaded message; true when there was a list to forget.
bool clearPopHistory(const std::filesystem::path& path);

}  // namespace tidewell::engine
