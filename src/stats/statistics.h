#pragma once
// What the statistics of a profile show: per list and for the whole profile the subscribers
// active, inactive, pending and suppressed; per day the sign-ups, opt-outs, switch-offs by
// reason and sends; sends against the caps and the last pause; addresses with bounce strikes;
// and per newsletter the copies sent and those due in the next days. Plain values.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::stats {

// The periods the statistics cover, in days.
inline constexpr std::array<int, 3> kPeriods = {30, 90, 365};
// Days ahead (today first) that the newsletters' outlook covers.
inline constexpr int kOutlookDays = 7;

// Why subscribers were switched off, as deactivated.log gives it, in groups.
enum class SwitchOff { kBounce, kInvalidAddress, kMoved, kOther };
inline constexpr std::array<std::string_view, 4> kSwitchOffNames = {"bounce", "invalid address",
                                                                    "auto-unsubscribe", "other"};
SwitchOff switchOffOf(std::string_view reason);

struct DayFigures {
  std::int32_t day = 0;  // days since 1970-01-01
  std::int64_t signups = 0;
  std::int64_t optouts = 0;
  std::array<std::int64_t, kSwitchOffNames.size()> switchOffs{};
  std::int64_t switchOffTotal() const;
  // Sign-ups less opt-outs and switch-offs.
  std::int64_t net() const { return signups - optouts - switchOffTotal(); }
};

struct ListFigures {
  std::string title;  // empty for the whole profile
  std::int64_t active = 0;
  std::int64_t inactive = 0;
  std::int64_t pending = 0;
  // Per list: its subscribers whose address or domain is on the suppression list. For the
  // whole profile: the entries of the list.
  std::int64_t suppressed = 0;
  std::vector<DayFigures> days;  // the period, oldest first
  // How subscribers became active in the period (consent.log): road to count.
  std::map<std::string, std::int64_t> roads;

  std::int64_t signups() const;
  std::int64_t optouts() const;
  std::int64_t switchOffs() const;
};

struct BounceStrikes {
  std::string address;
  std::int64_t strikes = 0;
  std::string first;
  std::string last;
};

struct NewsletterOutlook {
  std::string title;
  std::string filter;
  std::int64_t sent = 0;  // subscribers whose sent list holds it, and journaled sends
  std::array<std::int64_t, kOutlookDays> due{};  // today first
  std::string problem;  // why its schedule cannot be read; empty when it can
};

struct SendFigures {
  std::vector<std::int64_t> perDay;        // the period, oldest first (activity.log)
  std::array<std::int64_t, 24> perHour{};  // the last 24 hours, oldest first (rate file)
  std::int64_t lastMinute = 0;
  std::int64_t lastHour = 0;
  std::int64_t lastDay = 0;
  int capMinute = 0;  // 0: no cap
  int capHour = 0;
  int capDay = 0;
  std::string lastPause;      // why the last pass paused; empty when none did
  std::string lastPauseWhen;  // its date and time as logged
};

struct Statistics {
  std::string profileTitle;
  std::int32_t today = 0;
  int periodDays = 30;
  std::vector<ListFigures> lists;  // the filters in profile order (one when chosen)
  ListFigures whole;
  SendFigures sends;
  std::vector<BounceStrikes> strikes;  // most strikes first
  std::vector<NewsletterOutlook> newsletters;
  // Lines that could not be read and were passed over, for every file together.
  std::int64_t damagedLines = 0;
};

}  // namespace tidewell::stats
