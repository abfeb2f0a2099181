#pragma once
// The grid's "Forced Send" submenu (`mnuForcedSend2`): one entry per newsletter of the profile,
// in tree order, each with the block index the forced send is given. Dialog-free; one thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile_document.h"

namespace tidewell::subscribers {

inline constexpr std::string_view kNoNewsletters = "No Newsletters";

struct NewsletterEntry {
  std::string title;
  int blockIndex = 0;
  bool operator==(const NewsletterEntry&) const = default;
};

// Every newsletter block of the profile, in tree order.
std::vector<NewsletterEntry> forcedSendEntries(const store::ProfileDocument& profile);
// The block index of the first newsletter with exactly this title.
std::optional<int> newsletterIndex(const std::vector<NewsletterEntry>& entries,
                                   std::string_view title);

}  // namespace tidewell::subscribers
