// A CSV file of any bytes: the import accounts for every record (imported or skipped with its
// line), and each imported subscriber holds its columns as read, on single lines, in its
// personal fields.

#include "fuzz/fuzz_support.h"
#include "store/pmf_string.h"
#include "store/text.h"
#include "subscribers/csv_import.h"
#include "subscribers/csv_reader.h"

using namespace tidewell;

namespace {

std::vector<subscribers::CsvRecord> readAll(std::string_view text) {
  subscribers::CsvReader reader(text);
  std::vector<subscribers::CsvRecord> records;
  subscribers::CsvRecord record;
  while (reader.next(record)) records.push_back(record);
  return records;
}

bool singleLine(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos;
}

store::FilterRecord goldFilter() {
  store::FilterRecord filter;
  filter.title = "Gold";
  filter.fieldTable = store::parseFieldTable("email:Email:on,name:Name:on,city:City:on,");
  filter.toname = "~name~ of ~city~";
  return filter;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text = subscribers::csvFileText(bytes);
  std::vector<subscribers::CsvRecord> records = readAll(text);
  std::size_t lastLine = 0;
  for (const subscribers::CsvRecord& record : records) {
    FUZZ_CHECK(record.lineNumber > lastLine);
    lastLine = record.lineNumber;
  }

  fuzz::Scratch scratch;
  store::SubscriberTable table;
  store::FilterRecord filter = goldFilter();
  std::vector<subscribers::CsvPair> pairs{{"email", 1}, {"name", 2}, {"city", 3}};
  auto report = subscribers::importCsv(scratch.trap(), table, scratch.write("list.csv", bytes),
                                       filter, pairs, "~");
  // An empty or binary file is refused whole, with the reason told.
  if (!report) {
    FUZZ_CHECK(subscribers::csvFileProblem(bytes));
    return 0;
  }
  FUZZ_CHECK(report->imported + report->skipped.size() == records.size());
  FUZZ_CHECK(table.isEmpty() == (report->imported == 0));
  if (table.isEmpty()) return 0;
  FUZZ_CHECK(table.size() == report->imported);
  std::size_t next = 0;
  for (const subscribers::CsvRecord& record : records) {
    bool skipped = false;
    for (const auto& line : report->skipped) skipped = skipped || line.line == record.lineNumber;
    if (skipped) continue;
    store::Position p = static_cast<store::Position>(next++);
    const store::SubscriberRecord& r = table.record(p);
    for (std::string_view t : {r.email(), r.name()}) FUZZ_CHECK(singleLine(t));
    FUZZ_CHECK(singleLine(table.pmf(p)));
    FUZZ_CHECK(table.filterTitle(p) == "Gold");
    store::FieldTable fields = table.personalFields(p);
    for (std::size_t k = 0; k < 3; ++k) {
      std::string value = k < record.values.size() ? record.values[k] : std::string();
      if (k == 0) value = std::string(store::trim(value));  // the import trims the address
      if (singleLine(value)) FUZZ_CHECK(fields[k].value == store::withoutPmfSeparators(value));
    }
  }
  return 0;
}
