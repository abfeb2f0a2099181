#pragma once
// The messages of one check cycle that no filter claimed and no other rule (opt-out, delivery
// report, automatic answer, a sign-up already on its list) read, so that a sign-up the rules
// missed does not go unnoticed. The cycle writes them as one bounded line of activity.log.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/clock.h"

namespace tidewell::engine {

class UnclaimedMessages {
 public:
  void add(std::string_view subject);
  bool empty() const { return m_count == 0; }
  std::size_t count() const { return m_count; }
  // "messages not read:", the count, the subjects, date and time, separated by TAB. The
  // subjects are quoted and separated by ", ", the first 10 only (each cut after 80 bytes,
  // control characters shown as blanks), then "and N more".
  std::string logLine(const store::Clock& clock) const;

 private:
  std::vector<std::string> m_subjects;
  std::size_t m_count = 0;
};

}  // namespace tidewell::engine
