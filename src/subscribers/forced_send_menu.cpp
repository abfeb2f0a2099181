#include "subscribers/forced_send_menu.h"

#include "store/text.h"

namespace tidewell::subscribers {

std::vector<NewsletterEntry> forcedSendEntries(const store::ProfileDocument& profile) {
  std::vector<NewsletterEntry> entries;
  for (int i : profile.indexesInTreeOrder()) {
    if (store::equalsIgnoreCase(profile.get(i, "name"), store::kNewsletterOpening)) {
      entries.push_back({profile.getExactKey(i, "title"), i});
    }
  }
  return entries;
}

std::optional<int> newsletterIndex(const std::vector<NewsletterEntry>& entries,
                                   std::string_view title) {
  for (const NewsletterEntry& e : entries) {
    if (e.title == title) return e.blockIndex;
  }
  return std::nullopt;
}

}  // namespace tidewell::subscribers
