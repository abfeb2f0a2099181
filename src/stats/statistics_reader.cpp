#include "stats/statistics_reader.h"

#include <stdexcept>

#include "engine/send_rate.h"
#include "stats/log_figures.h"
#include "stats/side_files.h"
#include "stats/subscriber_figures.h"
#include "store/filter_record.h"
#include "store/text.h"

namespace tidewell::stats {

namespace {

std::filesystem::path beside(const std::filesystem::path& profilePath, const char* extension) {
  std::filesystem::path path = profilePath;
  return path.replace_extension(extension);
}

std::vector<std::string> listTitles(const store::ProfileDocument& profile,
                                    const std::string& chosen) {
  std::vector<std::string> titles;
  for (const auto& filter : store::loadFilterList(profile)) titles.push_back(filter.title);
  if (chosen.empty()) return titles;
  for (const auto& title : titles) {
    if (title == chosen) return {title};
  }
  throw std::invalid_argument("no filter is titled " + chosen);
}

std::vector<OutlookNewsletter> newslettersOf(const store::ProfileDocument& profile, Tally& tally) {
  std::vector<OutlookNewsletter> newsletters;
  for (int index : profile.indexesInTreeOrder()) {
    if (!store::equalsIgnoreCase(profile.get(index, "name"), store::kNewsletterOpening)) continue;
    OutlookNewsletter n;
    n.title = profile.getExactKey(index, "title");
    n.filter = profile.getExactKey(index, "rule");
    if (tally.listOf(n.filter) < 0) continue;  // not assigned to a list being shown
    n.schedule = engine::scheduleOf(n.title, profile.getExactKey(index, "days"),
                                    profile.getExactKey(index, "date"),
                                    profile.getExactKey(index, "dateordays"));
    newsletters.push_back(std::move(n));
  }
  return newsletters;
}

}  // namespace

Statistics readStatistics(const store::ProfileDocument& profile, const StatisticsRequest& request) {
  Statistics stats;
  stats.profileTitle = profile.getExactKey(store::kUserBlock, "title");
  stats.today = store::toDayNumber(request.today);
  stats.periodDays = request.periodDays;
  Tally tally(listTitles(profile, request.filter), stats.today, request.periodDays);
  const std::filesystem::path folder = request.profilePath.parent_path();
  const std::filesystem::path subscribers = folder / (stats.profileTitle + ".txt");

  readPending(beside(request.profilePath, ".pending"), tally);
  SuppressedEntries suppressed = readSuppressed(beside(request.profilePath, ".suppressed"), tally);
  std::vector<OutlookNewsletter> newsletters = newslettersOf(profile, tally);
  readSubscriberFigures(subscribers, tally, newsletters,
                        engine::wholeNumberSetting(profile, store::kNewslettersBlock, "catchup"),
                        suppressed, stats.newsletters);
  std::filesystem::path journal = beside(subscribers, ".sent");
  addJournaledSends(journal.string() + ".folding", stats.newsletters, tally);
  addJournaledSends(journal, stats.newsletters, tally);
  readDeactivations(folder / "deactivated.log", tally);
  readConsents(folder / "consent.log", tally);

  // With one list chosen, only its newsletters' sends count.
  auto counts = [&](std::string_view title) {
    if (request.filter.empty()) return true;
    for (const auto& n : newsletters) {
      if (n.title == title) return true;
    }
    return false;
  };
  readActivity(folder / "activity.log", tally, counts, stats.sends);
  readRateFile(beside(subscribers, ".rate"), request.now, stats.sends, tally);
  engine::SendCaps caps = engine::SendCaps::of(profile);
  stats.sends.capMinute = caps.perMinute;
  stats.sends.capHour = caps.perHour;
  stats.sends.capDay = caps.perDay;
  stats.strikes = readStrikes(beside(request.profilePath, ".bounces"), tally);

  stats.lists = std::move(tally.lists());
  stats.whole = std::move(tally.whole());
  stats.damagedLines = tally.damagedLines();
  return stats;
}

}  // namespace tidewell::stats
