#pragma once
// The subscriber file of the open profile (eight lines per record): load, save through the work
// file, and the address check before a subscriber is added by hand, each in its own trap.
// Used by the main window and tidewell-cli on the thread that owns the table; only the writing
// of a save may run on another thread (setWriteRunner).

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
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

  // Runs the writing of a save (a function that may raise) and returns when it has ended. The
  // desktop program runs it on a worker thread while its event loop keeps turning; an event
  // handled meanwhile may change the table or start another save.
  using WriteRunner = std::function<void(const std::function<void()>& write)>;

  // Where saves write from now on; an empty runner writes in place, on the calling thread.
  void setWriteRunner(WriteRunner runner) { m_writeRunner = std::move(runner); }

  // Writes every record not deleted (nothing for the empty table) and clears the table-changed
  // flag. The file is replaced only by the final rename, so a failure leaves the old one.
  // Refused while the table holds an incomplete load of the file. What is written is a
  // snapshot taken at the start: changes made while the writing runs keep the flag set for the
  // next save, and saves reach the disk in the order they were started.
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
  static void writeRecords(const SubscriberTable& table, const std::filesystem::path& target);
  // Writes the snapshot through the write runner, after every save started before it.
  void writeInTurn(SubscriberTable snapshot, const std::filesystem::path& target);

  std::filesystem::path m_profileFolder;
  const ProfileStore& m_profile;
  ErrorTrap& m_trap;
  WriteRunner m_writeRunner;
  // Saves take a ticket when their snapshot is taken and write in ticket order.
  std::mutex m_turnMutex;
  std::condition_variable m_turnChanged;
  std::uint64_t m_nextTicket = 0;
  std::uint64_t m_servingTicket = 0;
};

}  // namespace tidewell::store
