#include "store/send_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "store/error.h"
#include "store/line_reader.h"
#include "store/profile_document.h"
#include "store/sent_list.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::store {

namespace {

struct JournalEntry {
  std::string address;
  std::string title;
};

// address TAB title TAB date TAB time; a title may itself hold a TAB. A line torn by a crash
// lacks its last fields and is left out.
std::optional<JournalEntry> parseEntry(std::string_view line) {
  std::size_t first = line.find('\t');
  std::size_t last = line.rfind('\t');
  if (first == std::string_view::npos || last == first) return std::nullopt;
  std::size_t beforeLast = line.rfind('\t', last - 1);
  if (beforeLast == first || beforeLast == std::string_view::npos) return std::nullopt;
  JournalEntry entry{std::string(line.substr(0, first)),
                     std::string(line.substr(first + 1, beforeLast - first - 1))};
  if (entry.address.empty() || entry.title.empty()) return std::nullopt;
  return entry;
}

void tallyLines(std::string_view bytes, JournalTally& tally) {
  std::string scratch;
  while (!bytes.empty()) {
    std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto entry = parseEntry(decodeLine(line, scratch));
    if (!entry) continue;
    ++tally.total;
    ++tally.byTitle[entry->title];
  }
}

void readEntries(const std::filesystem::path& path, std::vector<JournalEntry>& entries) {
  if (!FileExist(path)) return;
  LineReader reader(path);
  std::string_view line;
  std::string scratch;
  while (reader.next(line)) {
    if (auto entry = parseEntry(decodeLine(line, scratch))) entries.push_back(std::move(*entry));
  }
}

// The records of the table that hold one of the journal's addresses, found in one scan.
std::unordered_map<std::string_view, std::vector<Position>> recordsOf(
    const SubscriberTable& table, const std::vector<JournalEntry>& entries) {
  std::unordered_set<std::string_view> wanted;
  for (const auto& e : entries) wanted.insert(e.address);
  std::unordered_map<std::string_view, std::vector<Position>> found;
  for (Position p = 0; p < table.size(); ++p) {
    const SubscriberRecord& r = table.record(p);
    if (r.isDeleted()) continue;
    auto hit = wanted.find(r.email());
    if (hit != wanted.end()) found[*hit].push_back(p);
  }
  return found;
}

}  // namespace

SendJournal& SendJournal::forSubscriberFile(const std::filesystem::path& subscriberFile) {
  static std::mutex registryMutex;
  static std::map<std::filesystem::path, std::unique_ptr<SendJournal>> registry;
  std::filesystem::path journal = subscriberFile;
  journal.replace_extension(".sent");
  journal = std::filesystem::absolute(journal).lexically_normal();
  std::lock_guard lock(registryMutex);
  auto& slot = registry[journal];
  if (!slot) slot = std::make_unique<SendJournal>(journal);
  return *slot;
}

SendJournal::SendJournal(std::filesystem::path path) : m_path(std::move(path)) {}

SendJournal::~SendJournal() {
  std::lock_guard lock(m_mutex);
  closeLocked();
}

std::filesystem::path SendJournal::foldingPath() const {
  std::filesystem::path folding = m_path;
  folding += ".folding";
  return folding;
}

void SendJournal::closeLocked() {
  if (m_fd < 0) return;
  if (m_unsynced > 0) ::fsync(m_fd);
  ::close(m_fd);
  m_fd = -1;
  m_unsynced = 0;
}

bool SendJournal::append(std::string_view address, std::string_view title, std::string_view date,
                         std::string_view time, std::string* problem) {
  std::string line;
  line.reserve(address.size() + title.size() + date.size() + time.size() + 5);
  line.append(address).append("\t").append(title).append("\t");
  line.append(date).append("\t").append(time).append("\r\n");
  std::lock_guard lock(m_mutex);
  // One write() per line: a kill leaves whole lines, at most the last one torn; a full disk
  // leaves none torn.
  try {
    if (m_fd < 0) m_fd = openForAppending(m_path);
    appendWhole(m_fd, line, m_path);
  } catch (...) {
    if (problem) *problem = currentError().description;
    closeLocked();
    return false;
  }
  if (++m_unsynced >= kSyncEvery) {
    ::fsync(m_fd);
    m_unsynced = 0;
  }
  return true;
}

void SendJournal::sync() {
  std::lock_guard lock(m_mutex);
  if (m_fd >= 0 && m_unsynced > 0) ::fsync(m_fd);
  m_unsynced = 0;
}

std::uint64_t SendJournal::beginFold() {
  std::lock_guard lock(m_mutex);
  const std::uint64_t fold = ++m_lastFold;
  closeLocked();
  if (!FileExist(m_path)) return fold;
  const std::filesystem::path folding = foldingPath();
  if (!FileExist(folding)) {
    std::filesystem::rename(m_path, folding);
    return fold;
  }
  // An earlier save did not finish: its folded lines stay and these join them.
  std::string lines = readFileBytes(m_path);
  // Whole or not at all: a fold that fails leaves both files as they were for the next one.
  int fd = openForAppending(folding);
  try {
    appendWhole(fd, lines, folding);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::fsync(fd);
  ::close(fd);
  std::filesystem::remove(m_path);
  return fold;
}

void SendJournal::endFold(std::uint64_t fold, const Counter& count) {
  std::lock_guard lock(m_mutex);
  // Saves that overlap write in turn, and only the snapshot of the last fold begun holds every
  // folded line; a save that failed never ends its fold.
  if (fold != kLatestFold && fold != m_lastFold) return;
  const std::filesystem::path folding = foldingPath();
  if (count && FileExist(folding)) {
    const std::string bytes = readFileBytes(folding);
    JournalTally folded;
    tallyLines(bytes, folded);
    // Counted and removed in that order: a kill between leaves a file whose stamp the profile
    // already names, so it is never counted twice.
    if (folded.total > 0 && !count(folded, stampOf(bytes))) return;
  }
  std::filesystem::remove(folding);
}

JournalTally SendJournal::uncounted(std::string_view countedStamp) {
  std::lock_guard lock(m_mutex);
  JournalTally tally;
  if (FileExist(foldingPath())) {
    const std::string bytes = readFileBytes(foldingPath());
    if (stampOf(bytes) != countedStamp) tallyLines(bytes, tally);
  }
  if (FileExist(m_path)) tallyLines(readFileBytes(m_path), tally);
  return tally;
}

void SendJournal::dropCounted(std::string_view countedStamp) {
  std::lock_guard lock(m_mutex);
  const std::filesystem::path folding = foldingPath();
  if (!countedStamp.empty() && FileExist(folding) &&
      stampOf(readFileBytes(folding)) == countedStamp) {
    std::filesystem::remove(folding);
  }
}

std::string SendJournal::stampOf(std::string_view bytes) {
  // FNV-1a: enough to tell two journals apart, whose lines carry the time of each send.
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::to_string(std::count(bytes.begin(), bytes.end(), '\n')) + ":" + hex;
}

std::size_t SendJournal::applyTo(
    SubscriberTable& table,
    const std::unordered_map<std::string, std::string>& filterOfNewsletter) {
  std::vector<JournalEntry> entries;
  {
    std::lock_guard lock(m_mutex);
    readEntries(foldingPath(), entries);
    readEntries(m_path, entries);
  }
  if (entries.empty() || table.isEmpty()) return entries.size();
  auto records = recordsOf(table, entries);
  for (const auto& e : entries) {
    // Confirmation messages ("[confirmation] title") count for the caps only: no newsletter
    // title can start with "[", and the address is no subscriber of the list yet.
    if (e.title.starts_with('[')) continue;
    auto hit = records.find(e.address);
    if (hit == records.end()) continue;
    auto filter = filterOfNewsletter.find(e.title);
    std::vector<Position> chosen;
    for (Position p : hit->second) {
      if (filter != filterOfNewsletter.end() && table.filterTitle(p) == filter->second)
        chosen.push_back(p);
    }
    if (chosen.empty()) chosen = hit->second;
    for (Position p : chosen) {
      std::string_view list = table.record(p).sentList();
      if (!sentListHas(list, e.title)) table.setSentList(p, withTitle(list, e.title));
    }
  }
  // Even when every line was already known, the next save should fold and empty the journal.
  table.setChanged();
  return entries.size();
}

std::unordered_map<std::string, std::string> newsletterFilters(const ProfileDocument& profile) {
  std::unordered_map<std::string, std::string> filters;
  for (int index : profile.indexesInTreeOrder()) {
    if (!equalsIgnoreCase(profile.get(index, "name"), kNewsletterOpening)) continue;
    filters.emplace(profile.getExactKey(index, "title"), profile.getExactKey(index, "rule"));
  }
  return filters;
}

}  // namespace tidewell::store
