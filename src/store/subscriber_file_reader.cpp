#include "store/subscriber_file_reader.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "store/line_reader.h"
#include "store/subscriber_file.h"
#include "store/text.h"

namespace tidewell::store {

namespace {

// Progress is shown every so many records: often enough to move, rarely enough to cost nothing.
constexpr std::size_t kProgressStep = 16384;
// A badly damaged file could otherwise put a line per record into the error log.
constexpr int kNotesLoggedOneByOne = 10;
// How far ahead a record start is looked for after damage: lines held at once.
constexpr std::size_t kWindowLines = 64;
constexpr std::size_t kDateLine = 2;       // from 0
constexpr std::size_t kPmfLine = 6;        // from 0
constexpr std::size_t kSeparatorLine = 7;  // from 0

constexpr Procedure kLoadProcedure = windowProcedure("LoadSubscriberFile");

std::string quoted(std::string_view text) {
  std::string shown(text.substr(0, 80));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return "\"" + shown + "\"";
}

// The oddities of one read. The first few of each kind are logged one by one, the rest are
// counted into one closing line.
class LoadNotes {
 public:
  LoadNotes(ErrorTrap& trap, SubscriberReadReport& report) : m_trap(trap), m_report(report) {}

  void badDate(std::uint64_t line, std::string_view text) {
    ++m_report.repairs;
    note(m_badDates, "Line " + std::to_string(line) + ": the sign-up date " + quoted(text) +
                         " is not a date; today's date was taken");
  }
  void strayLine(std::uint64_t line) {
    ++m_report.repairs;
    note(m_strayLines, "Line " + std::to_string(line) +
                           " should be empty between records; its text was not kept");
  }
  void missingSeparator(std::uint64_t line) {
    ++m_report.repairs;
    note(m_missingSeparators,
         "Line " + std::to_string(line) + ": the empty line ending a record is missing");
  }
  void skipped(std::uint64_t first, std::uint64_t last, std::uint64_t textLines,
               std::string_view firstText) {
    m_report.skippedLines += textLines;
    std::string where = first == last
                            ? "Line " + std::to_string(first)
                            : "Lines " + std::to_string(first) + " to " + std::to_string(last);
    where += first == last ? " does not read as a subscriber record and was skipped"
                           : " do not read as a subscriber record and were skipped";
    note(m_skips, where + " (first: " + quoted(firstText) + ")");
  }
  void partialRecord(std::size_t lines, std::string_view first) {
    m_report.partialRecord = true;
    m_trap.report(kLoadProcedure,
                  {kBadFormat, "The last " + std::to_string(lines) +
                                   " lines of the subscriber file are not a whole record and "
                                   "were ignored (first line: " +
                                   quoted(first) + ")"});
  }
  void finish() {
    summary(m_badDates, "sign-up dates that are not dates were replaced by today's date");
    summary(m_strayLines, "lines between records that should be empty were not kept");
    summary(m_missingSeparators, "records lacked the empty line that ends them");
    summary(m_skips, "runs of lines that do not read as records were skipped");
  }

 private:
  void note(int& count, const std::string& text) {
    if (++count <= kNotesLoggedOneByOne) m_trap.report(kLoadProcedure, {kTypeMismatch, text});
  }
  void summary(int count, const std::string& what) {
    if (count <= kNotesLoggedOneByOne) return;
    m_trap.report(kLoadProcedure,
                  {kTypeMismatch, std::to_string(count) + " " + what + " in all (" +
                                      std::to_string(kNotesLoggedOneByOne) + " logged above)"});
  }

  ErrorTrap& m_trap;
  SubscriberReadReport& m_report;
  int m_badDates = 0;
  int m_strayLines = 0;
  int m_missingSeparators = 0;
  int m_skips = 0;
};

// The next lines of the file, decoded, in a ring that is refilled as records are taken. A record
// stands where its third line is a date and its eighth is empty (or past the end of the file);
// after damage the reader resumes at the nearest such place whose first line is an address.
class RecordReader {
 public:
  RecordReader(const std::filesystem::path& path, SubscriberTable& table, ErrorTrap& trap,
               SubscriberReadReport& report)
      : m_path(path),
        m_lines(path),
        m_table(table),
        m_trap(trap),
        m_notes(trap, report),
        m_report(report),
        m_today(toDayNumber(trap.clock().today())) {}

  void run() {
    OperatorInterface& ui = m_trap.ui();
    auto maximum = static_cast<std::int64_t>(m_lines.fileSize() > 0 ? m_lines.fileSize() : 1);
    ui.showProgress(0, maximum);
    fill();
    refuseOtherFiles();
    std::size_t lastReported = 0;
    while (m_count > 0) {
      step();
      fill();
      if (m_report.records - lastReported < kProgressStep) continue;
      lastReported = m_report.records;
      ui.showProgress(static_cast<std::int64_t>(m_lines.bytesRead()), maximum);
      reserveOnce();
    }
    m_notes.finish();
    m_table.shrinkToFit();
    ui.showProgress(maximum, maximum);
  }

 private:
  const std::string& line(std::size_t k) const { return m_ring[(m_head + k) % kWindowLines]; }
  std::uint64_t lineNumber(std::size_t k) const { return m_firstLine + k; }

  void fill() {
    std::string_view raw;
    while (m_count < kWindowLines && !m_atEnd) {
      if (!m_lines.next(raw)) {
        m_atEnd = true;
        break;
      }
      m_ring[(m_head + m_count) % kWindowLines].assign(decodeLine(raw, m_decoded));
      ++m_count;
    }
  }

  void drop(std::size_t n) {
    if (n > m_count) n = m_count;
    m_head = (m_head + n) % kWindowLines;
    m_count -= n;
    m_firstLine += n;
  }

  bool holdsRecordAt(std::size_t k) const { return k + kPmfLine < m_count; }
  // Past the last line counts as the empty line: a last record may lack it.
  bool separatorAt(std::size_t k) const {
    return k + kSeparatorLine >= m_count || line(k + kSeparatorLine).empty();
  }
  bool isDate(const std::string& text) {
    if (m_hasLastDate && text == m_lastDateText) return true;
    return parseDate(text).has_value();
  }
  bool wellFormedAt(std::size_t k) {
    return holdsRecordAt(k) && separatorAt(k) && isDate(line(k + kDateLine));
  }
  bool plausibleStartAt(std::size_t k) {
    const std::string& first = line(k);
    return first.find('@') != std::string::npos && first.find('\0') == std::string::npos &&
           wellFormedAt(k);
  }
  std::optional<std::size_t> nextStart(std::size_t from) {
    for (std::size_t k = from; holdsRecordAt(k); ++k) {
      if (plausibleStartAt(k)) return k;
    }
    return std::nullopt;
  }

  // A file of other text (a profile, a binary file, random bytes) is not read as subscribers:
  // saving it back would destroy it.
  void refuseOtherFiles() {
    std::size_t first = 0;
    while (first < m_count && line(first).empty()) ++first;
    if (first == m_count || line(first).find('@') != std::string::npos) return;
    for (std::size_t k = first; holdsRecordAt(k); ++k) {
      if (wellFormedAt(k)) return;
    }
    raise(kBadFormat, m_path.string() + " is not a Tidewell subscriber file (line " +
                          std::to_string(lineNumber(first) + 1) + ")");
  }

  void step() {
    bool blank = line(0).empty();
    if (wellFormedAt(0)) {
      take();
      drop(kSeparatorLine + 1);
      return;
    }
    if (blank) {  // stray empty lines lose nothing
      drop(1);
      return;
    }
    if (!holdsRecordAt(0)) {
      finishPartial();
      return;
    }
    std::optional<std::size_t> next = nextStart(1);
    bool dated = isDate(line(kDateLine));
    // A record out of step (lines missing or added inside it) is left out; a record whose
    // lines are in place keeps them, a wrong date or what follows it notwithstanding.
    bool inStep = !next || (*next >= kSeparatorLine &&
                            (dated || separatorAt(0) || *next == kSeparatorLine + 1));
    if (!inStep) {
      skip(0, *next);
      return;
    }
    take();
    if (next == kSeparatorLine) {
      m_notes.missingSeparator(lineNumber(kSeparatorLine) + 1);
      drop(kSeparatorLine);
      return;
    }
    if (!separatorAt(0)) m_notes.strayLine(lineNumber(kSeparatorLine) + 1);
    drop(kSeparatorLine + 1);
  }

  // Leaves out lines 0 to count-1, logging the run when it holds text.
  void skip(std::size_t from, std::size_t count) {
    std::uint64_t textLines = 0;
    std::size_t firstText = count;
    for (std::size_t k = from; k < from + count; ++k) {
      if (line(k).empty()) continue;
      ++textLines;
      if (firstText == count) firstText = k;
    }
    if (textLines > 0) {
      m_notes.skipped(lineNumber(from) + 1, lineNumber(from + count - 1) + 1, textLines,
                      line(firstText));
    }
    drop(from + count);
  }

  void finishPartial() {
    for (std::size_t k = 0; k < m_count; ++k) {
      if (!line(k).empty()) {
        m_notes.partialRecord(m_count, line(0));
        break;
      }
    }
    drop(m_count);
  }

  void take() {
    m_table.appendLoaded(line(0), line(1), signupDay(), line(3), line(4), line(5), line(kPmfLine));
    ++m_report.records;
  }

  std::int32_t signupDay() {
    const std::string& text = line(kDateLine);
    // Subscribers who signed up on the same day follow each other in the file.
    if (m_hasLastDate && text == m_lastDateText) return m_lastDay;
    std::optional<Date> date = parseDate(text);
    if (!date) {
      m_notes.badDate(lineNumber(kDateLine) + 1, text);
      return m_today;
    }
    m_lastDateText = text;
    m_lastDay = toDayNumber(*date);
    m_hasLastDate = true;
    return m_lastDay;
  }

  // The first records tell how long a record is; reserving then avoids regrowing.
  void reserveOnce() {
    if (m_reserved || m_lines.bytesRead() == 0) return;
    m_reserved = true;
    std::uint64_t estimate = m_report.records * m_lines.fileSize() / m_lines.bytesRead();
    m_table.reserve(estimate + estimate / 64);
  }

  const std::filesystem::path& m_path;
  LineReader m_lines;
  SubscriberTable& m_table;
  ErrorTrap& m_trap;
  LoadNotes m_notes;
  SubscriberReadReport& m_report;
  std::int32_t m_today;
  std::array<std::string, kWindowLines> m_ring;
  std::size_t m_head = 0;
  std::size_t m_count = 0;
  std::uint64_t m_firstLine = 0;  // from 0
  bool m_atEnd = false;
  std::string m_decoded;
  std::string m_lastDateText;
  std::int32_t m_lastDay = 0;
  bool m_hasLastDate = false;
  bool m_reserved = false;
};

// "1:02:03 PM" as "130203".
std::string compactTime(const std::string& timeText) {
  int hour = 0, minute = 0, second = 0;
  char half[3] = {};
  if (std::sscanf(timeText.c_str(), "%d:%d:%d %2s", &hour, &minute, &second, half) < 3) {
    return "000000";
  }
  if (half[0] == 'P' && hour < 12) hour += 12;
  if (half[0] == 'A' && hour == 12) hour = 0;
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d", hour % 100, minute % 100, second % 100);
  return text;
}

}  // namespace

std::filesystem::path keepDamagedCopy(const std::filesystem::path& path, const Clock& clock) {
  Date today = clock.today();
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", today.year % 10000, today.month % 100,
                today.day % 100);
  std::string stem = path.string() + ".damaged-" + date + "-" + compactTime(clock.timeText());
  std::filesystem::path copy = stem;
  for (int n = 2; std::filesystem::exists(copy); ++n) copy = stem + "-" + std::to_string(n);
  std::error_code error;
  std::filesystem::copy_file(path, copy, error);
  if (error) raiseSystemError(error.value(), "Cannot keep a copy of " + path.string());
  return copy;
}

SubscriberReadReport readSubscriberFile(const std::filesystem::path& path, SubscriberTable& table,
                                        ErrorTrap& trap) {
  SubscriberReadReport report;
  RecordReader(path, table, trap, report).run();
  return report;
}

}  // namespace tidewell::store
