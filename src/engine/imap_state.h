#pragma once
// Where reading an IMAP folder stands, in a file beside the seen-UIDL store (the profile's title
// + ".imap"): the folder's UIDVALIDITY, the highest UID the checks have read, and the UIDs whose
// \Seen flag a check set by reading and may not have taken off again (it was killed).
// Used by the check cycle; one thread.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tidewell::engine {

struct ImapState {
  std::uint32_t uidValidity = 0;  // 0: no check has read the folder yet
  std::uint32_t highestRead = 0;
  std::vector<std::uint32_t> unseen;
};

// The store beside this seen-UIDL store.
std::filesystem::path imapStatePath(const std::filesystem::path& seenStore);
// A missing or unreadable file is a folder never read.
ImapState loadImapState(const std::filesystem::path& path);
// Replaces the file's contents durably.
void saveImapState(const std::filesystem::path& path, const ImapState& state);

}  // namespace tidewell::engine
