#pragma once
// The delivery-failure strikes of each address: "<title>.bounces" beside the profile, one line
// per address (address TAB count TAB first date TAB last date TAB the distinct failure days,
// comma-separated). A relay accepts mail for dead addresses and reports later, so an accepted
// send clears nothing; a line whose last failure is more than 30 days old is dropped instead.
// Strikes on three different days switch the address off. Lines written before the days field
// existed are still read. Rewritten through a work file like the other files; one thread.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/date_text.h"

namespace tidewell::engine {

inline constexpr int kStrikeDaysToSwitchOff = 3;
inline constexpr int kStrikeStaleDays = 30;

class BounceCounts {
 public:
  // The file beside the profile: the profile's name with ".bounces".
  static std::filesystem::path pathFor(const std::filesystem::path& profilePath);

  // Reads the file when there is one; lines that cannot be read are dropped.
  explicit BounceCounts(std::filesystem::path path);

  struct Entry {
    std::string address;  // lower case
    int count = 0;
    store::Date first;
    store::Date last;
    std::vector<store::Date> days;  // distinct, in order

    bool staleOn(const store::Date& today) const;
  };

  // Records one strike today; a stale line starts again at one. Returns the address's line.
  const Entry& addStrike(std::string_view address, const store::Date& today);
  void forget(std::string_view address);
  // Drops the lines whose last failure is older than the window.
  void dropStale(const store::Date& today);
  // Rewrites the file when something changed (an empty list removes nothing but the lines).
  void save();

  const std::vector<Entry>& entries() const { return m_entries; }

 private:
  void load();
  std::vector<Entry>::iterator find(std::string_view address);

  std::filesystem::path m_path;
  std::vector<Entry> m_entries;
  bool m_changed = false;
};

}  // namespace tidewell::engine
