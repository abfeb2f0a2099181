#pragma once
// The send journal "<title>.sent" beside the profile: one line per message a server accepted
// (address TAB newsletter title TAB date TAB time), appended the moment it was accepted, so a
// process killed before the next save of the subscriber file forgets no send. Loading the
// subscriber file applies it; each save folds it in and empties it. One object per journal file
// in the process (forSubscriberFile), shared by the transfer thread that appends and the thread
// that owns the subscriber table; every member is thread-safe.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "store/subscriber_table.h"

namespace tidewell::store {

// Journal lines counted: in all and per newsletter title.
struct JournalTally {
  std::int64_t total = 0;
  std::map<std::string, std::int64_t, std::less<>> byTitle;
};

class SendJournal {
 public:
  // The journal of the subscriber file at this path ("Gold.txt" keeps "Gold.sent").
  static SendJournal& forSubscriberFile(const std::filesystem::path& subscriberFile);

  explicit SendJournal(std::filesystem::path path);
  ~SendJournal();
  SendJournal(const SendJournal&) = delete;
  SendJournal& operator=(const SendJournal&) = delete;

  // Appends one line with write(); flushed to disk every kSyncEvery lines. On failure returns
  // false with the reason in problem; never throws.
  bool append(std::string_view address, std::string_view title, std::string_view date,
              std::string_view time, std::string* problem = nullptr);
  // Flushes what was appended to disk (at the end of a pass).
  void sync();

  // Before the subscriber file is written: the journal becomes ".sent.folding" (added to one an
  // earlier, unfinished save left) and later sends go to a fresh ".sent". Returns the fold's
  // number for endFold.
  std::uint64_t beginFold();
  // After the subscriber file was committed: the folded lines are in it and go, unless a later
  // fold began meanwhile (its save is still to commit them).
  // The counter, when given, is first handed the folded lines and the stamp that names them; the
  // lines stay (for the next fold) when it fails.
  static constexpr std::uint64_t kLatestFold = 0;
  using Counter = std::function<bool(const JournalTally& folded, const std::string& stamp)>;
  void endFold(std::uint64_t fold = kLatestFold, const Counter& count = {});

  // The sends not yet counted into the profile's counters: every line of ".sent", and those of
  // ".sent.folding" unless its stamp is countedStamp (a save that counted them ended before it
  // could remove the file). Raises TrapError when a journal cannot be read.
  JournalTally uncounted(std::string_view countedStamp);
  // Removes ".sent.folding" when its stamp is countedStamp: its lines are both in the
  // subscriber file and counted.
  void dropCounted(std::string_view countedStamp);
  // Names the content of a journal file: its line count and a hash of its bytes.
  static std::string stampOf(std::string_view bytes);

  // Adds the title of each line of ".sent.folding", then ".sent", to the sent list of the
  // subscriber with the address (once). Where the address is in several lists, the records in
  // the newsletter's own list get it; filterOfNewsletter maps titles to those lists. Returns the
  // number of lines read; raises TrapError when a journal cannot be read.
  std::size_t applyTo(SubscriberTable& table,
                      const std::unordered_map<std::string, std::string>& filterOfNewsletter);

  const std::filesystem::path& path() const { return m_path; }
  std::filesystem::path foldingPath() const;

  static constexpr int kSyncEvery = 100;

 private:
  void closeLocked();

  std::mutex m_mutex;
  std::filesystem::path m_path;
  int m_fd = -1;
  int m_unsynced = 0;
  std::uint64_t m_lastFold = 0;
};

// Newsletter title to the title of its filter ("rule"), for every newsletter of the profile.
class ProfileDocument;
std::unordered_map<std::string, std::string> newsletterFilters(const ProfileDocument& profile);

}  // namespace tidewell::store
