#pragma once
// Goes over the subscriber file once: subscribers active and inactive per list, sign-ups per day,
// subscribers on the suppression list, and per newsletter the copies sent and the subscribers it
// is due for in the coming days. Any thread.
#include <filesystem>
#include <unordered_set>
#include <vector>

#include "engine/newsletter_schedule.h"
#include "stats/tally.h"

namespace tidewell::stats {

// A newsletter as the outlook needs it.
struct OutlookNewsletter {
  std::string title;
  std::string filter;
  engine::Schedule schedule;
};

// Lower-case addresses and "@domain" entries of the suppression list.
using SuppressedEntries = std::unordered_set<std::string>;

void readSubscriberFigures(const std::filesystem::path& subscriberFile, Tally& tally,
                           const std::vector<OutlookNewsletter>& newsletters, int catchUpDays,
                           const SuppressedEntries& suppressed,
                           std::vector<NewsletterOutlook>& outlook);

}  // namespace tidewell::stats
