#include "subscribers/csv_import.h"

#include <algorithm>
#include <charconv>

#include "engine/personalisation.h"
#include "store/address_check.h"
#include "store/pmf_string.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"
#include "subscribers/csv_reader.h"
#include "subscribers/new_email_rules.h"

namespace tidewell::subscribers {

namespace {

constexpr std::string_view kColumnPrefix = "Column ";
constexpr std::string_view kAddressField = "email";

bool take(std::vector<std::string>& list, std::string_view item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

// The personal fields of one record: each pair fills the filter's entries of its field name.
store::FieldTable pairedFields(const CsvRecord& record, const store::FilterRecord& filter,
                               const std::vector<CsvPair>& pairs, std::string& address) {
  store::FieldTable fields;
  for (std::size_t k = 0; k < store::kPersonalFieldCount; ++k) {
    for (const CsvPair& pair : pairs) {
      if (pair.field != filter.fieldTable[k].name) continue;
      auto column = static_cast<std::size_t>(pair.column);
      std::string value =
          column >= 1 && column <= record.values.size() ? record.values[column - 1] : std::string();
      // Blanks around an address are how the file was typed, not part of it.
      if (pair.field == kAddressField) value = std::string(store::trim(value));
      fields[k].name = pair.field;
      fields[k].value = value;
      fields[k].active = true;
      if (pair.field == kAddressField) address = value;
    }
  }
  return fields;
}

// The addresses the filter has, upper-cased: an import never adds a second subscription.
std::unordered_set<std::string> addressesOf(const store::SubscriberTable& table,
                                            std::string_view filterTitle) {
  std::unordered_set<std::string> addresses;
  if (table.isEmpty()) return addresses;
  for (store::Position p = 0; p < table.size(); ++p) {
    if (table.record(p).isDeleted() || !store::equalsIgnoreCase(table.filterTitle(p), filterTitle))
      continue;
    addresses.insert(store::toUpperAscii(table.record(p).email()));
  }
  return addresses;
}

void importRecord(store::ErrorTrap& trap, store::SubscriberTable& table, const CsvRecord& record,
                  const store::FilterRecord& filter, const std::vector<CsvPair>& pairs,
                  std::string_view delimiter, const consent::SuppressionList& suppressed,
                  const CsvImportOptions& options, std::unordered_set<std::string>& onFilter,
                  CsvImportReport& report) {
  if (!record.problem.empty()) {
    report.skipped.push_back({record.lineNumber, "bad line: " + record.problem});
    return;
  }
  store::SubscriberData data;
  store::FieldTable fields = pairedFields(record, filter, pairs, data.email);
  if (data.email.empty()) {
    report.skipped.push_back({record.lineNumber, "empty address"});
    return;
  }
  if (std::optional<std::string> reason = store::invalidAddressReason(data.email)) {
    report.skipped.push_back({record.lineNumber, *reason});
    return;
  }
  if (const auto* entry = suppressed.blockingEntry(data.email)) {
    report.skipped.push_back(
        {record.lineNumber,
         "\"" + data.email + "\" is on the suppression list (" + entry->reason + ")"});
    return;
  }
  if (!onFilter.insert(store::toUpperAscii(data.email)).second) {
    report.skipped.push_back({record.lineNumber, data.email + " is already on " + filter.title});
    ++report.alreadyOnFilter;
    return;
  }
  data.name = engine::f_fill_fields3(trap, fields, filter, delimiter);
  data.sentList = options.sentList;
  fillAddressAndName(fields, data.email, data.name);
  data.signup = trap.clock().today();
  data.filterTitle = filter.title;
  data.pmf = store::packPmf(fields);
  table.add(data);
  report.addresses.push_back(data.email);
  ++report.imported;
}

}  // namespace

std::vector<std::string> csvColumnNames(int count) {
  std::vector<std::string> names;
  for (int n = 1; n <= count && n <= kMostCsvColumns; ++n) {
    names.push_back(std::string(kColumnPrefix) + std::to_string(n));
  }
  return names;
}

std::optional<int> csvColumnNumber(std::string_view columnName) {
  if (columnName.substr(0, kColumnPrefix.size()) != kColumnPrefix) return std::nullopt;
  std::string_view digits = columnName.substr(kColumnPrefix.size());
  int n = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || n < 1) {
    return std::nullopt;
  }
  return n;
}

std::vector<std::string> offeredFields(const store::FilterRecord& filter) {
  std::vector<std::string> names;
  for (const store::PersonalField& field : filter.fieldTable) {
    if (field.active && !field.caption.empty()) names.push_back(field.name);
  }
  return names;
}

void CsvImportPairing::selectColumns(std::vector<std::string> columns) {
  m_selectedColumns = std::move(columns);
  clearPairs();
}

void CsvImportPairing::chooseFilter(const store::FilterRecord& filter) {
  m_offered = offeredFields(filter);
  clearPairs();
}

void CsvImportPairing::clearPairs() {
  m_pairs.clear();
  m_columns = m_selectedColumns;
  m_fields = m_offered;
}

std::optional<Refusal> CsvImportPairing::pair(std::string_view field, std::string_view column) {
  if (m_fields.size() > m_columns.size()) {
    return Refusal{"There are too many Personal Message Fields!", "Mismatch"};
  }
  if (m_fields.size() < m_columns.size()) return Refusal{"There are too many Columns!", "Mismatch"};
  std::optional<int> number = csvColumnNumber(column);
  bool available = number && std::find(m_fields.begin(), m_fields.end(), field) != m_fields.end() &&
                   std::find(m_columns.begin(), m_columns.end(), column) != m_columns.end();
  if (!available) return std::nullopt;
  take(m_fields, field);
  take(m_columns, column);
  m_pairs.push_back({std::string(field), *number});
  return std::nullopt;
}

std::vector<std::string> CsvImportPairing::pairTexts() const {
  std::vector<std::string> texts;
  for (const CsvPair& p : m_pairs) {
    texts.push_back(p.field + " -> " + std::string(kColumnPrefix) + std::to_string(p.column));
  }
  return texts;
}

std::optional<CsvImportReport> importCsv(store::ErrorTrap& trap, store::SubscriberTable& table,
                                         const std::filesystem::path& file,
                                         const store::FilterRecord& filter,
                                         const std::vector<CsvPair>& pairs,
                                         std::string_view fieldDelimiter,
                                         const consent::SuppressionList& suppressed,
                                         const CsvImportOptions& options) {
  if (!store::FileExist(file)) {
    trap.ui().showMessage("CSV file does not exist!", "Tidewell");
    return std::nullopt;
  }
  return trap.run(store::windowProcedure("Command3"), std::optional<CsvImportReport>(), [&] {
    std::string bytes = store::readFileBytes(file);
    if (std::optional<std::string> problem = csvFileProblem(bytes)) {
      trap.ui().showMessage(*problem, "Import CSV");
      return std::optional<CsvImportReport>();
    }
    std::string text = csvFileText(bytes);
    CsvReader reader(text);
    CsvRecord record;
    CsvImportReport report;
    std::unordered_set<std::string> onFilter = addressesOf(table, filter.title);
    while (reader.next(record)) {
      importRecord(trap, table, record, filter, pairs, fieldDelimiter, suppressed, options,
                   onFilter, report);
    }
    return std::optional<CsvImportReport>(std::move(report));
  });
}

std::optional<std::string> csvFileProblem(std::string_view bytes) {
  if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    return "The file is empty: there is nothing to import.";
  }
  // Text files never hold NUL; spreadsheets, archives and pictures do early on.
  if (bytes.substr(0, 1 << 16).find('\0') != std::string_view::npos) {
    return "The file is not a CSV file: it holds binary data (a spreadsheet, archive or picture?). "
           "Save it as CSV (comma-separated text) first.";
  }
  return std::nullopt;
}

}  // namespace tidewell::subscribers
