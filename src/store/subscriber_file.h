#pragma once
// The subscriber file of the open profile (eight lines per record): load, save through the work
// file, and the address check before a subscriber is added by hand, each in its own trap.
// Used by the main window and tidewell-cli; one thread.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "store/error_trap.h"
#include "store/profile_store.h"
#include "store/subscriber_table.h"

namespace tidewell::store {

inline constexpr int kSubscriberFileLinesPerRecord = 8;

class SubscriberFile {
 public:
  SubscriberFile(std::filesystem::path profileFolder, const ProfileStore& profile, ErrorTrap& trap);

  // Profile folder + title + ".txt"; raises when the profile has no usable title.
  std::filesystem::path path() const;

  // Writes every record not deleted (nothing for the empty table) and clears the table-changed
  // flag. The file is replaced only by the final rename, so a failure leaves the old one.
  // Refused while the table holds an incomplete load of the file.
  bool Save_Email(SubscriberTable& table);

  // Saves pending changes first (and does not load when that fails, so no change is dropped),
  // then reads the file into the table; a missing file leaves the table as it is. Damage
  // (lines out of step, a trailing partial record, a date that is not a date) is read past
  // and logged, and the file as it was is copied to "<name>.damaged-<date>-<time>" first.
  // When reading fails part way, or the file is no subscriber file, saving is blocked.
  bool LoadSubscriberFile(SubscriberTable& table);

  // True when a record of the file has the address and the filter title (both without regard
  // to case), or when no filter of the profile has that title.
  bool EmailAddyExist(std::string_view address, std::string_view filterTitle) const;

 private:
  void readRecords(const std::filesystem::path& path, SubscriberTable& table);
  void writeRecords(const SubscriberTable& table);

  std::filesystem::path m_profileFolder;
  const ProfileStore& m_profile;
  ErrorTrap& m_trap;
};

}  // namespace tidewell::store
