#pragma once
// Reads a subscriber file into the table, eight lines a record, and finds its way back to the
// record boundaries after damage (stray, missing or overwritten lines), so one bad spot costs
// only the records it touched. Used by SubscriberFile's load; one thread.

#include <cstdint>
#include <filesystem>

#include "store/error_trap.h"
#include "store/subscriber_table.h"

namespace tidewell::store {

// What one read met besides whole records, each kind already logged.
struct SubscriberReadReport {
  std::uint64_t skippedLines = 0;  // lines of text left out because they form no record
  std::uint64_t repairs = 0;       // dates replaced, separator lines missing or not empty
  bool partialRecord = false;      // the file ends inside a record
  std::size_t records = 0;

  // True when a save would write something other than what the file holds.
  bool damaged() const { return skippedLines > 0 || repairs > 0 || partialRecord; }
};

// Appends the file's records to the table. Raises kBadFormat, naming the file and the line,
// when the file holds text but nothing that reads as a subscriber record.
SubscriberReadReport readSubscriberFile(const std::filesystem::path& path, SubscriberTable& table,
                                        ErrorTrap& trap);

// Copies the file, as it is, to "<name>.damaged-<yyyymmdd>-<hhmmss>" beside it (a number added
// when that name is taken) and returns the copy's path. Raises when no copy could be made.
std::filesystem::path keepDamagedCopy(const std::filesystem::path& path, const Clock& clock);

}  // namespace tidewell::store
