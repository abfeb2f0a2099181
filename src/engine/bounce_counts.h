#pragma once
// The temporary delivery failures of each address: "<title>.bounces" beside the profile, one
// line per address (address TAB count TAB first date TAB last date). The third failure within
// 15 days of the first switches the address off; a successful send forgets it. Rewritten
// through a work file like the other files; one thread.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/date_text.h"

namespace tidewell::engine {

inline constexpr int kTemporaryFailuresAllowed = 2;
inline constexpr int kTemporaryFailureDays = 15;

class BounceCounts {
 public:
  // The file beside the profile: the profile's name with ".bounces".
  static std::filesystem::path pathFor(const std::filesystem::path& profilePath);

  // Reads the file when there is one; lines that cannot be read are dropped.
  explicit BounceCounts(std::filesystem::path path);

  // Records one more temporary failure today; returns the failures within the window, which
  // starts again at 1 when the first one is older than the window.
  int addTemporary(std::string_view address, const store::Date& today);
  void forget(std::string_view address);
  // Rewrites the file when something changed (an empty list removes nothing but the lines).
  void save();

  struct Entry {
    std::string address;  // lower case
    int count = 0;
    store::Date first;
    store::Date last;
  };
  const std::vector<Entry>& entries() const { return m_entries; }

 private:
  void load();
  std::vector<Entry>::iterator find(std::string_view address);

  std::filesystem::path m_path;
  std::vector<Entry> m_entries;
  bool m_changed = false;
};

}  // namespace tidewell::engine
