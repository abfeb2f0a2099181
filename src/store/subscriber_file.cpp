#include "store/subscriber_file.h"

#include <array>
#include <string>

#include "store/line_reader.h"
#include "store/send_journal.h"
#include "store/text.h"
#include "store/utilities.h"
#include "store/work_file_writer.h"

namespace tidewell::store {

namespace {

// Progress is shown every so many records: often enough to move, rarely enough to cost nothing.
constexpr std::size_t kProgressStep = 16384;
// A badly damaged file could otherwise put a line per record into the error log.
constexpr int kNotesLoggedOneByOne = 10;

constexpr Procedure kLoadProcedure = windowProcedure("LoadSubscriberFile");

// The oddities of one load. The first few of each kind are logged one by one, the rest are
// counted into one closing line.
class LoadNotes {
 public:
  explicit LoadNotes(ErrorTrap& trap) : m_trap(trap) {}

  void badDate(std::uint64_t line, std::string_view text) {
    note(m_badDates, "Line " + std::to_string(line) + ": the sign-up date \"" + std::string(text) +
                         "\" is not a date; today's date was taken");
  }
  void strayLine(std::uint64_t line) {
    note(m_strayLines, "Line " + std::to_string(line) +
                           " should be empty between records; its text was not kept");
  }
  void partialRecord(std::size_t lines, std::string_view first) {
    m_trap.report(kLoadProcedure,
                  {kBadFormat, "The last " + std::to_string(lines) +
                                   " lines of the subscriber file are not a whole record and "
                                   "were ignored (first line: \"" +
                                   std::string(first.substr(0, 80)) + "\")"});
  }
  void finish() {
    summary(m_badDates, "sign-up dates that are not dates were replaced by today's date");
    summary(m_strayLines, "lines between records that should be empty were not kept");
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
  int m_badDates = 0;
  int m_strayLines = 0;
};

// Turns the file's lines into records, eight lines at a time. The record is made when its
// seventh line (the PMF string, most of its bytes) arrives, so that line is never copied.
class RecordAssembler {
 public:
  RecordAssembler(SubscriberTable& table, LoadNotes& notes, const Date& today)
      : m_table(table), m_notes(notes), m_today(toDayNumber(today)) {}

  void line(std::string_view raw) {
    ++m_lineNumber;
    if (m_count < kPmfLine) {
      m_lines[m_count] = decodeLine(raw, m_decoded);
    } else if (m_count == kPmfLine) {
      addRecord(decodeLine(raw, m_decoded));
    } else if (!raw.empty()) {
      m_notes.strayLine(m_lineNumber);
    }
    if (++m_count == kSubscriberFileLinesPerRecord) m_count = 0;
  }

  // A last record that lacks only its empty eighth line is whole (and already made); fewer
  // lines are not.
  void finish() {
    if (m_count == 0 || m_count > kPmfLine) return;
    for (std::size_t i = 0; i < m_count; ++i) {
      if (!m_lines[i].empty()) {
        m_notes.partialRecord(m_count, m_lines[0]);
        return;
      }
    }
  }

  std::size_t records() const { return m_records; }

 private:
  static constexpr std::size_t kPmfLine = 6;  // from 0

  void addRecord(std::string_view pmf) {
    std::uint64_t dateLine = m_lineNumber - kPmfLine + 2;
    m_table.appendLoaded(m_lines[0], m_lines[1], signupDay(m_lines[2], dateLine), m_lines[3],
                         m_lines[4], m_lines[5], pmf);
    ++m_records;
  }

  std::int32_t signupDay(const std::string& text, std::uint64_t line) {
    // Subscribers who signed up on the same day follow each other in the file.
    if (m_hasLastDate && text == m_lastDateText) return m_lastDay;
    std::optional<Date> date = parseDate(text);
    if (!date) {
      m_notes.badDate(line, text);
      return m_today;
    }
    m_lastDateText = text;
    m_lastDay = toDayNumber(*date);
    m_hasLastDate = true;
    return m_lastDay;
  }

  SubscriberTable& m_table;
  LoadNotes& m_notes;
  std::int32_t m_today;
  std::array<std::string, kPmfLine> m_lines;
  std::string m_decoded;
  std::size_t m_count = 0;
  std::uint64_t m_lineNumber = 0;
  std::size_t m_records = 0;
  std::string m_lastDateText;
  std::int32_t m_lastDay = 0;
  bool m_hasLastDate = false;
};

}  // namespace

SubscriberFile::SubscriberFile(std::filesystem::path profileFolder, const ProfileStore& profile,
                               ErrorTrap& trap)
    : m_profileFolder(std::move(profileFolder)), m_profile(profile), m_trap(trap) {}

std::filesystem::path SubscriberFile::path() const {
  std::string title = m_profile.GetFromFile_new(kUserBlock, "title");
  if (title == kAbsent || title.empty()) raise(kBadFileName, "The profile has no title");
  if (title.find('/') != std::string::npos || title == "." || title == "..") {
    raise(kBadFileName, "The profile title cannot name a file: " + title);
  }
  return m_profileFolder / (title + ".txt");
}

bool SubscriberFile::Save_Email(SubscriberTable& table) {
  return m_trap.run(Procedure{"Save_Email"}, false, [&] {
    if (table.saveBlocked()) {
      raise(kBadFormat,
            "The subscriber file could not be read completely, so it is not overwritten");
    }
    std::uint64_t changes = table.changeCount();
    SendJournal& journal = SendJournal::forSubscriberFile(path());
    std::uint64_t fold = journal.beginFold();
    if (!table.isEmpty()) writeInTurn(table.snapshot(), path());
    journal.endFold(fold);
    table.savedUpTo(changes);
    return true;
  });
}

void SubscriberFile::writeInTurn(SubscriberTable snapshot, const std::filesystem::path& target) {
  std::uint64_t ticket = 0;
  {
    std::lock_guard lock(m_turnMutex);
    ticket = m_nextTicket++;
  }
  auto write = [&] {
    std::unique_lock lock(m_turnMutex);
    m_turnChanged.wait(lock, [&] { return m_servingTicket == ticket; });
    lock.unlock();
    auto nextTurn = [&] {
      {
        std::lock_guard relock(m_turnMutex);
        ++m_servingTicket;
      }
      m_turnChanged.notify_all();
    };
    try {
      writeRecords(snapshot, target);
    } catch (...) {
      nextTurn();
      throw;
    }
    // The snapshot holds the last reference to texts the table replaced meanwhile: freeing
    // them is part of the work done off the caller's thread.
    snapshot = SubscriberTable();
    nextTurn();
  };
  if (m_writeRunner) {
    m_writeRunner(write);
  } else {
    write();
  }
}

void SubscriberFile::writeRecords(const SubscriberTable& table,
                                  const std::filesystem::path& target) {
  WorkFileWriter out(target);
  std::string pmf;
  std::string dateText;
  std::int32_t dateDay = 0;
  for (Position p = 0; p < table.size(); ++p) {
    const SubscriberRecord& r = table.record(p);
    if (r.isDeleted()) continue;
    if (dateText.empty() || r.signupDay() != dateDay) {
      dateDay = r.signupDay();
      dateText = shortDateText(fromDayNumber(dateDay));
    }
    table.pmfInto(p, pmf);
    out.line(r.email());
    out.line(r.name());
    out.line(dateText);
    out.line(r.sentList());
    out.line(table.active(p));
    out.line(table.filterTitle(p));
    out.line(pmf);
    out.line({});
  }
  out.commit();
}

bool SubscriberFile::LoadSubscriberFile(SubscriberTable& table) {
  // A table blocked from saving holds part of the file; loading again is how it recovers.
  if (table.changed() && !table.saveBlocked() && !Save_Email(table)) return false;
  return m_trap.run(kLoadProcedure, false, [&] {
    std::filesystem::path file = path();
    if (!FileExist(file)) return true;
    // The old records go first (they are saved), so a reload never holds two tables at once.
    std::vector<FilterRecord> filters = table.filterList();
    table = SubscriberTable();
    table.setFilterList(std::move(filters));
    try {
      readRecords(file, table);
    } catch (...) {
      table.setSaveBlocked(true);
      m_trap.ui().hideProgress();
      throw;
    }
    m_trap.ui().hideProgress();
    SendJournal::forSubscriberFile(file).applyTo(table, newsletterFilters(m_profile.load()));
    return true;
  });
}

void SubscriberFile::readRecords(const std::filesystem::path& path, SubscriberTable& table) {
  LineReader reader(path);
  LoadNotes notes(m_trap);
  RecordAssembler assembler(table, notes, m_trap.clock().today());
  OperatorInterface& ui = m_trap.ui();
  auto maximum = static_cast<std::int64_t>(reader.fileSize() > 0 ? reader.fileSize() : 1);
  ui.showProgress(0, maximum);
  std::string_view line;
  std::size_t lastReported = 0;
  bool reserved = false;
  while (reader.next(line)) {
    assembler.line(line);
    std::size_t records = assembler.records();
    if (records - lastReported < kProgressStep) continue;
    lastReported = records;
    ui.showProgress(static_cast<std::int64_t>(reader.bytesRead()), maximum);
    if (!reserved) {
      // The first records tell how long a record is; reserving then avoids regrowing.
      reserved = true;
      std::uint64_t estimate = records * reader.fileSize() / reader.bytesRead();
      table.reserve(estimate + estimate / 64);
    }
  }
  assembler.finish();
  notes.finish();
  table.shrinkToFit();
  ui.showProgress(maximum, maximum);
}

bool SubscriberFile::EmailAddyExist(std::string_view address, std::string_view filterTitle) const {
  return m_trap.run(Procedure{"EmailAddyExist"}, false, [&] {
    if (!m_profile.RuleExist(filterTitle, "")) return true;
    std::filesystem::path file = path();
    if (!FileExist(file)) return false;
    LineReader reader(file);
    std::string_view line;
    std::string scratch;
    while (reader.next(line)) {
      if (line.empty() || !equalsIgnoreCase(decodeLine(line, scratch), address)) continue;
      bool more = true;
      for (int skip = 0; skip < 5 && more; ++skip) more = reader.next(line);
      if (!more) break;
      if (equalsIgnoreCase(decodeLine(line, scratch), filterTitle)) return true;
      if (!reader.next(line)) break;  // the line after the filter line is skipped
    }
    return false;
  });
}

}  // namespace tidewell::store
