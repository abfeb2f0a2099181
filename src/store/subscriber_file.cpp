#include "store/subscriber_file.h"

#include <string>

#include "store/line_reader.h"
#include "store/send_counts.h"
#include "store/send_journal.h"
#include "store/subscriber_file_reader.h"
#include "store/text.h"
#include "store/utilities.h"
#include "store/work_file_writer.h"

namespace tidewell::store {

namespace {

constexpr Procedure kLoadProcedure = windowProcedure("LoadSubscriberFile");

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
    journal.endFold(fold, [&](const JournalTally& folded, const std::string& stamp) {
      ProfileStore counters(m_profile.path(), m_trap);
      return countFoldedSends(counters, folded, stamp);
    });
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
      m_trap.ui().showMessage(currentError().description, "Subscriber File");
      throw;
    }
    m_trap.ui().hideProgress();
    const ProfileDocument profile = m_profile.load();
    SendJournal& journal = SendJournal::forSubscriberFile(file);
    journal.dropCounted(countedJournalStamp(profile));
    journal.applyTo(table, newsletterFilters(profile));
    return true;
  });
}

void SubscriberFile::readRecords(const std::filesystem::path& path, SubscriberTable& table) {
  SubscriberReadReport report = readSubscriberFile(path, table, m_trap);
  if (!report.damaged()) return;
  // The next save writes only what was read; the file as it was stays beside it.
  std::filesystem::path copy = keepDamagedCopy(path, m_trap.clock());
  std::string text = "The subscriber file " + path.filename().string() +
                     " was damaged; what could not be read is kept in " + copy.filename().string();
  m_trap.report(kLoadProcedure, {kBadFormat, text});
  m_trap.ui().showMessage(text, "Subscriber File");
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
