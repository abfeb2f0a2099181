#pragma once
// Goes over the subscriber file once: subscribers active and inactive per list, sign-ups per day,
// subscribers on the suppression list, and per newsletter the copies sent and the subscribers it
// is due for in the coming days. Any thread.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
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

// Lower-case addresses and "@domain" entries of the suppression list, asked about every
// subscriber: a bit per hash value answers most addresses before any set is searched.
class SuppressedEntries {
 public:
  void add(std::string entry);
  bool empty() const { return m_addresses.empty() && m_domains.empty(); }
  // The address (lower case) or its domain is on the list.
  bool holds(std::string_view address) const;

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using Set = std::unordered_set<std::string, Hash, std::equal_to<>>;
  static constexpr std::size_t kBits = std::size_t{1} << 20;
  Set m_addresses;
  Set m_domains;
  std::vector<std::uint64_t> m_bits = std::vector<std::uint64_t>(kBits / 64);
};

void readSubscriberFigures(const std::filesystem::path& subscriberFile, Tally& tally,
                           const std::vector<OutlookNewsletter>& newsletters, int catchUpDays,
                           const SuppressedEntries& suppressed,
                           std::vector<NewsletterOutlook>& outlook);

}  // namespace tidewell::stats
