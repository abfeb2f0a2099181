#pragma once
// The profile's logs as the statistics read them: deactivated.log (opt-outs and switch-offs by
// reason per day), consent.log (how subscribers became active) and activity.log (sends per day
// and the last pause). Damaged lines are passed over and counted. Any thread.
#include <filesystem>
#include <functional>
#include <string_view>

#include "stats/tally.h"

namespace tidewell::stats {

void readDeactivations(const std::filesystem::path& path, Tally& tally);
void readConsents(const std::filesystem::path& path, Tally& tally);
// counts(title) says whether a send of that newsletter belongs to the lists being shown.
void readActivity(const std::filesystem::path& path, Tally& tally,
                  const std::function<bool(std::string_view title)>& counts, SendFigures& sends);

}  // namespace tidewell::stats
