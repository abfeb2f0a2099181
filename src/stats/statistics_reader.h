#pragma once
// Reads the statistics of a profile from its files: the subscriber file, the side files beside
// the profile (pending, suppressed, bounces, send journal, rate file) and the logs of the
// profile folder. Reads only; safe on any thread while the program writes (every file is
// replaced whole or appended).
#include <cstdint>
#include <filesystem>
#include <string>

#include "stats/statistics.h"
#include "store/date_text.h"
#include "store/profile_document.h"

namespace tidewell::stats {

struct StatisticsRequest {
  std::filesystem::path profilePath;  // "<title>.dat"; its folder holds the logs
  store::Date today;
  std::int64_t now = 0;  // seconds since 1970, for the sends of the last day
  int periodDays = 30;
  std::string filter;  // one list's figures only; empty for every list
};

// Raises std::invalid_argument when the filter is not one of the profile's.
Statistics readStatistics(const store::ProfileDocument& profile, const StatisticsRequest& request);

}  // namespace tidewell::stats
