#pragma once
// The CSV import window's rules (`frmLoadCSV`): columns and fields on offer, their pairing with
// its "Mismatch" messages, and the import with its report of skipped lines. Dialog-free; one
// thread.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "consent/suppression_list.h"
#include "store/error_trap.h"
#include "store/filter_record.h"
#include "store/subscriber_table.h"
#include "subscribers/refusal.h"

namespace tidewell::subscribers {

inline constexpr int kMostCsvColumns = 40;

// "Column 1" to "Column n".
std::vector<std::string> csvColumnNames(int count);
// The number in a column name ("Column 3" gives 3).
std::optional<int> csvColumnNumber(std::string_view columnName);
// The filter's fields that are active and have a caption, by name, in table order.
std::vector<std::string> offeredFields(const store::FilterRecord& filter);

// A personal field paired with a column of the file.
struct CsvPair {
  std::string field;
  int column = 0;  // from 1
  bool operator==(const CsvPair&) const = default;
};

// The lists of the window: chosen columns not yet paired, offered fields not yet paired, and
// the pairs made.
class CsvImportPairing {
 public:
  // `List1` released: the chosen columns; the pairs are emptied.
  void selectColumns(std::vector<std::string> columns);
  // `Combo2` chosen: the filter's offered fields; the pairs are emptied.
  void chooseFilter(const store::FilterRecord& filter);
  // ">": there must be as many fields as columns left; then, when the field and the column are
  // both available, they become a pair and leave their lists.
  std::optional<Refusal> pair(std::string_view field, std::string_view column);

  const std::vector<std::string>& availableFields() const { return m_fields; }
  const std::vector<std::string>& availableColumns() const { return m_columns; }
  const std::vector<CsvPair>& pairs() const { return m_pairs; }
  // `List4`: field, " -> ", column name.
  std::vector<std::string> pairTexts() const;

 private:
  // Emptying the pairs gives their fields and columns back to the lists.
  void clearPairs();

  std::vector<std::string> m_selectedColumns;
  std::vector<std::string> m_offered;
  std::vector<std::string> m_columns;
  std::vector<std::string> m_fields;
  std::vector<CsvPair> m_pairs;
};

// What the import tells the operator: how many lines became subscribers, which did not and why.
struct SkippedLine {
  std::size_t line = 0;
  std::string reason;
};

struct CsvImportReport {
  std::size_t imported = 0;
  std::vector<std::string> addresses;  // those imported, for the consent record
  std::vector<SkippedLine> skipped;
  std::size_t alreadyOnFilter = 0;  // of the skipped: addresses the filter had already
};

// What else the import does with each new subscriber.
struct CsvImportOptions {
  // The sent list the new subscribers start with: the follow-ups already due that they should
  // not receive ("none" for all of them).
  std::string sentList = "none";
};

// Why the file's bytes cannot be a CSV file (empty, or binary data), in words for the
// operator; nothing when they can.
std::optional<std::string> csvFileProblem(std::string_view bytes);

// "&OK": every record of the file becomes an active subscriber of the filter, signed up today,
// appended after the existing ones (the placeholder of an empty table is reused). Paired fields
// fill the personal fields ("email" also the address), the name is the filter's toname template
// filled from them. Records without an address, with one that fails the intake check (blanks
// around it are dropped first), on the suppression list, or already on the filter (letter case
// aside, also earlier in the same file), and bad records are skipped and reported.
// Nothing when the file is missing or cannot be read as text (the operator is told why) or the
// trap reported a failure.
std::optional<CsvImportReport> importCsv(store::ErrorTrap& trap, store::SubscriberTable& table,
                                         const std::filesystem::path& file,
                                         const store::FilterRecord& filter,
                                         const std::vector<CsvPair>& pairs,
                                         std::string_view fieldDelimiter,
                                         const consent::SuppressionList& suppressed = {},
                                         const CsvImportOptions& options = {});

}  // namespace tidewell::subscribers
