#include "store/send_counts.h"

#include "store/text.h"

namespace tidewell::store {

namespace {

std::int64_t numberAt(const ProfileDocument& profile, int index, std::string_view key) {
  const std::string text = profile.getExactKey(index, std::string(key));
  try {
    return text == kAbsent ? 0 : std::stoll(text);
  } catch (...) {
    return 0;  // a hand-edited count that is no number starts again from the journal
  }
}

}  // namespace

std::string countedJournalStamp(const ProfileDocument& profile) {
  std::string stamp = profile.getExactKey(kNewslettersBlock, std::string(kCountedJournalKey));
  return stamp == kAbsent ? std::string() : stamp;
}

bool countFoldedSends(ProfileStore& profile, const JournalTally& folded, const std::string& stamp) {
  return profile.change(Procedure{"Save_Email"}, [&](ProfileDocument& doc) {
    const std::int64_t total = numberAt(doc, kNewslettersBlock, "totalemailssent") + folded.total;
    doc.set(kNewslettersBlock, "totalemailssent", std::to_string(total));
    for (int index : doc.indexesInTreeOrder()) {
      if (!equalsIgnoreCase(doc.get(index, "name"), kNewsletterOpening)) continue;
      auto sent = folded.byTitle.find(doc.getExactKey(index, "title"));
      if (sent == folded.byTitle.end()) continue;
      doc.set(index, "timessent", std::to_string(numberAt(doc, index, "timessent") + sent->second));
    }
    doc.set(kNewslettersBlock, std::string(kCountedJournalKey), stamp);
  });
}

SendJournal* journalOf(const ProfileDocument& profile, const std::filesystem::path& folder) {
  const std::string title = profile.getExactKey(kUserBlock, "title");
  if (isAbsentOrEmpty(title) || title.find('/') != std::string::npos || title == "." ||
      title == "..") {
    return nullptr;
  }
  return &SendJournal::forSubscriberFile(folder / (title + ".txt"));
}

std::int64_t runningTotal(const ProfileDocument& profile, const std::filesystem::path& folder) {
  std::int64_t total = numberAt(profile, kNewslettersBlock, "totalemailssent");
  if (SendJournal* journal = journalOf(profile, folder))
    total += journal->uncounted(countedJournalStamp(profile)).total;
  return total;
}

}  // namespace tidewell::store
