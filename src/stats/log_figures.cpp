#include "stats/log_figures.h"

#include <algorithm>
#include <string>
#include <vector>

#include "stats/line_blocks.h"

namespace tidewell::stats {

SwitchOff switchOffOf(std::string_view reason) {
  if (reason.rfind("bounce", 0) == 0) return SwitchOff::kBounce;
  if (reason == "invalid address") return SwitchOff::kInvalidAddress;
  if (reason == "auto-unsubscribe") return SwitchOff::kMoved;
  return SwitchOff::kOther;
}

std::int64_t DayFigures::switchOffTotal() const {
  std::int64_t total = 0;
  for (std::int64_t n : switchOffs) total += n;
  return total;
}

std::int64_t ListFigures::signups() const {
  std::int64_t total = 0;
  for (const auto& d : days) total += d.signups;
  return total;
}

std::int64_t ListFigures::optouts() const {
  std::int64_t total = 0;
  for (const auto& d : days) total += d.optouts;
  return total;
}

std::int64_t ListFigures::switchOffs() const {
  std::int64_t total = 0;
  for (const auto& d : days) total += d.switchOffTotal();
  return total;
}

namespace {

// date TAB time TAB address TAB filter TAB fifth field: the day, the list and the fifth field.
struct LoggedEvent {
  std::int32_t day = 0;
  int list = -1;
  std::string_view detail;
};

bool readEvent(std::string_view line, Tally& tally, LoggedEvent& event) {
  std::string_view f[5];
  if (splitTabs(line, f, 5) < 5 || f[2].empty() || !dayNumberOf(f[0], event.day)) {
    if (!line.empty()) tally.damaged();
    return false;
  }
  event.list = tally.listOf(f[3]);
  event.detail = f[4];
  return true;
}

}  // namespace

void readDeactivations(const std::filesystem::path& path, Tally& tally) {
  forEachLine(path, [&](std::string_view line) {
    LoggedEvent e;
    if (!readEvent(line, tally, e) || !tally.inPeriod(e.day)) return;
    for (DayFigures* day : {tally.wholeDay(e.day), tally.day(e.list, e.day)}) {
      if (!day) continue;
      if (e.detail == "opt-out") {
        ++day->optouts;
      } else {
        ++day->switchOffs[static_cast<std::size_t>(switchOffOf(e.detail))];
      }
    }
  });
}

void readConsents(const std::filesystem::path& path, Tally& tally) {
  // Few roads: counted in place, per list, and put in the figures once at the end.
  struct Road {
    std::string name;
    std::int64_t whole = 0;
    std::vector<std::int64_t> lists;
  };
  std::vector<Road> roads;
  forEachLine(path, [&](std::string_view line) {
    LoggedEvent e;
    if (!readEvent(line, tally, e) || !tally.inPeriod(e.day)) return;
    std::string_view name = e.detail.empty() ? std::string_view("-") : e.detail;
    auto road =
        std::find_if(roads.begin(), roads.end(), [&](const Road& r) { return r.name == name; });
    if (road == roads.end()) {
      roads.push_back({std::string(name), 0, std::vector<std::int64_t>(tally.lists().size())});
      road = roads.end() - 1;
    }
    ++road->whole;
    if (e.list >= 0) ++road->lists[static_cast<std::size_t>(e.list)];
  });
  for (const Road& road : roads) {
    tally.whole().roads[road.name] += road.whole;
    for (std::size_t l = 0; l < road.lists.size(); ++l) {
      if (road.lists[l] > 0) tally.list(static_cast<int>(l)).roads[road.name] += road.lists[l];
    }
  }
}

void readActivity(const std::filesystem::path& path, Tally& tally,
                  const std::function<bool(std::string_view title)>& counts, SendFigures& sends) {
  constexpr std::string_view kSent = "message sent:";
  constexpr std::string_view kPaused = "sending paused:";
  sends.perDay.assign(static_cast<std::size_t>(tally.today() - tally.firstDay() + 1), 0);
  forEachLine(path, [&](std::string_view line) {
    std::string_view f[5];
    std::size_t n = splitTabs(line, f, 5);
    std::int32_t day = 0;
    if (f[0] == kSent) {
      if (n < 5 || !dayNumberOf(f[3], day)) {
        tally.damaged();
      } else if (tally.inPeriod(day) && counts(f[2])) {
        ++sends.perDay[static_cast<std::size_t>(day - tally.firstDay())];
      }
    } else if (f[0] == kPaused) {
      if (n < 4 || !dayNumberOf(f[2], day)) {
        tally.damaged();
        return;
      }
      sends.lastPause = std::string(f[1]);
      sends.lastPauseWhen = std::string(f[2]) + " " + std::string(f[3]);
    }
  });
}

}  // namespace tidewell::stats
