#pragma once
// Reads comma-separated text as RFC 4180 writes it (quoted values may hold commas, doubled quotes
// and line breaks); a record with unbalanced quotes or a NUL character is reported as bad and
// reading goes on with the next line. Used by the CSV import; one thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::subscribers {

// One record of the file: its values, or why it is bad.
struct CsvRecord {
  std::size_t lineNumber = 0;  // the file line the record starts on, from 1
  std::vector<std::string> values;
  std::string problem;  // why the record is bad; empty for a good one
};

class CsvReader {
 public:
  // The text must outlive the reader.
  explicit CsvReader(std::string_view text);
  // The next record; false after the last one.
  bool next(CsvRecord& record);

 private:
  // Consumes CR LF or LF at the current place; false when there is none.
  bool skipBlankLine();
  // Reads one value starting at m_at; false when a quoted value is not closed where a value
  // ends.
  bool readValue(std::string& value);
  bool readQuoted(std::string& value);
  void readUnquoted(std::string& value);
  void skipToNextLine(std::size_t from);

  std::string_view m_text;
  std::size_t m_at = 0;
  std::size_t m_line = 1;
};

// The text of a CSV file as UTF-8 without a byte order mark; text that is not UTF-8 is read as
// Windows-1252.
std::string csvFileText(std::string_view bytes);

}  // namespace tidewell::subscribers
