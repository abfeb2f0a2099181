#include "engine/seen_uidl_store.h"

#include "engine/imap_state.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::engine {

std::filesystem::path seenUidlStorePath(const std::filesystem::path& profilePath) {
  std::filesystem::path path = profilePath;
  return path.replace_extension(".uidls");
}

std::vector<std::string> loadSeenUidls(const std::filesystem::path& path) {
  if (!std::filesystem::exists(path)) return {};
  std::vector<std::string> uidls;
  for (auto& line : store::readLines(path)) {
    if (!line.empty()) uidls.push_back(std::move(line));
  }
  return uidls;
}

void saveSeenUidls(const std::filesystem::path& path, const std::vector<std::string>& uidls) {
  store::writeLinesDurably(path, uidls);
}

bool clearPopHistory(const std::filesystem::path& path) {
  std::error_code error;
  // An IMAP profile keeps where it stands in the folder beside the list.
  const bool imap = std::filesystem::remove(imapStatePath(path), error);
  return std::filesystem::remove(path, error) || imap;
}

}  // namespace tidewell::engine
