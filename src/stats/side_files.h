#pragma once
// The small files beside the profile that the statistics read: pending sign-ups, the
// suppression list, bounce strikes, the send journal and the rate file. Each line is read by its
// leading fields; extra fields at the end are ignored, damaged lines are passed over and a
// missing file means none. Any thread.
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "stats/subscriber_figures.h"
#include "stats/tally.h"

namespace tidewell::stats {

// address TAB filter TAB date TAB ...: pending sign-ups per list and in all.
void readPending(const std::filesystem::path& path, Tally& tally);

// entry TAB date TAB reason: the entries (lower case; "sha256:" ones are counted, not kept).
SuppressedEntries readSuppressed(const std::filesystem::path& path, Tally& tally);

// address TAB count TAB first date TAB last date: most strikes first.
std::vector<BounceStrikes> readStrikes(const std::filesystem::path& path, Tally& tally);

// address TAB title TAB date TAB time: sends journaled since the subscriber file was saved.
void addJournaledSends(const std::filesystem::path& journal,
                       std::vector<NewsletterOutlook>& outlook, Tally& tally);

// One time per line (seconds since 1970): sends in the last minute, hour and day before now,
// and per hour over the last 24 hours.
void readRateFile(const std::filesystem::path& path, std::int64_t now, SendFigures& sends,
                  Tally& tally);

}  // namespace tidewell::stats
