#include "store/clock.h"

#include <ctime>

namespace tidewell::store {

namespace {

std::tm localNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return parts;
}

}  // namespace

std::int64_t Clock::secondsNow() const {
  return static_cast<std::int64_t>(std::time(nullptr));
}

Date SystemClock::today() const {
  if (m_fixedToday) return *m_fixedToday;
  std::tm t = localNow();
  return Date{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday};
}

std::string SystemClock::timeText() const {
  std::tm t = localNow();
  return longTimeText(t.tm_hour, t.tm_min, t.tm_sec);
}

}  // namespace tidewell::store
