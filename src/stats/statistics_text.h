#pragma once
// The statistics as tidewell-cli prints them: plain text tables, or CSV (one section after
// another, each with its own header line, separated by an empty line). Stateless.
#include <string>

#include "stats/statistics.h"

namespace tidewell::stats {

std::string statisticsText(const Statistics& stats);
std::string statisticsCsv(const Statistics& stats);

// "12/5/2026" of a day number.
std::string dayText(std::int32_t day);

}  // namespace tidewell::stats
