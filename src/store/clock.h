#pragma once
// Where the core gets "today" and the time of day. The command line's --today fixes the date
// so that scheduling and tests do not depend on the calendar.

#include <cstdint>
#include <optional>
#include <string>

#include "store/date_text.h"

namespace tidewell::store {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Date today() const = 0;
  // Local time as the long time text, for log lines.
  virtual std::string timeText() const = 0;
  // Seconds since 1970, for the rolling windows of the sending caps.
  virtual std::int64_t secondsNow() const;
};

// Local date and time of the machine; a fixed date replaces the calendar date when given.
class SystemClock : public Clock {
 public:
  explicit SystemClock(std::optional<Date> fixedToday = std::nullopt) : m_fixedToday(fixedToday) {}
  Date today() const override;
  std::string timeText() const override;

 private:
  std::optional<Date> m_fixedToday;
};

}  // namespace tidewell::store
