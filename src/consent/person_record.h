#pragma once
// Everything held about one person, for a request to see it or to be forgotten: their records
// in every list (fields and sent newsletters), pending sign-ups, consent lines, bounce strikes,
// suppression entries and every log line that names the address. The export is one JSON
// document; the erasure removes the address from each of those files, keeps every other line
// byte for byte, and leaves only the address's hash on the suppression list. Qt-free; one
// thread, while no sending pass or check cycle runs.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/date_text.h"
#include "store/error_trap.h"
#include "store/subscriber_table.h"

namespace tidewell::consent {

// Where a profile keeps what it knows about people.
struct PersonFiles {
  std::filesystem::path profilePath;    // "<folder>/<title>.dat"
  std::filesystem::path programFolder;  // holds errlog.txt

  std::filesystem::path profileFolder() const { return profilePath.parent_path(); }
  // The files besides the subscriber file that may name an address, in export order.
  std::vector<std::filesystem::path> namingFiles() const;
};

// Whether the line names the address (letter case ignored) as a whole address, not as part of
// a longer one.
bool lineNamesAddress(std::string_view line, std::string_view address);

// The JSON document of everything the files and the table hold about the address.
std::string exportPerson(const store::SubscriberTable& table, const PersonFiles& files,
                         std::string_view address, const store::Date& today);

struct Erasure {
  std::vector<store::Position> records;  // the table's records of the address
  int linesRemoved = 0;                  // in the other files
};

// The records of the address, letter case ignored (deleted ones left out).
std::vector<store::Position> recordsOf(const store::SubscriberTable& table,
                                       std::string_view address);

// Marks the address's records deleted in the table (the caller saves it), removes its lines from
// every other file, puts its hash on the suppression list in place of any entry of the address,
// and notes the erasure in the error log without the address. A file that cannot be rewritten
// raises (the trap's caller reports it); the files done before it stay done.
Erasure erasePerson(store::ErrorTrap& trap, store::SubscriberTable& table, const PersonFiles& files,
                    std::string_view address);

}  // namespace tidewell::consent
