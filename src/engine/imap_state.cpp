#include "engine/imap_state.h"

#include <sstream>
#include <string>

#include "store/text_file.h"

namespace tidewell::engine {

std::filesystem::path imapStatePath(const std::filesystem::path& seenStore) {
  std::filesystem::path path = seenStore;
  return path.replace_extension(".imap");
}

ImapState loadImapState(const std::filesystem::path& path) {
  ImapState state;
  if (!std::filesystem::exists(path)) return state;
  for (const std::string& line : store::readLines(path)) {
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    std::uint32_t number = 0;
    if (key == "uidvalidity:") fields >> state.uidValidity;
    if (key == "read:") fields >> state.highestRead;
    if (key == "unseen:")
      while (fields >> number) state.unseen.push_back(number);
  }
  return state;
}

void saveImapState(const std::filesystem::path& path, const ImapState& state) {
  std::string unseen = "unseen:";
  for (std::uint32_t uid : state.unseen) unseen += " " + std::to_string(uid);
  store::writeLinesDurably(path, {"uidvalidity: " + std::to_string(state.uidValidity),
                                  "read: " + std::to_string(state.highestRead), unseen});
}

}  // namespace tidewell::engine
