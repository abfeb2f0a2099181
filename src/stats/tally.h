#pragma once
// The figures being gathered while the statistics readers go over the files: the lists by
// title, the period's days, and the count of damaged lines. Owned by one reading; one thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/statistics.h"

namespace tidewell::stats {

class Tally {
 public:
  Tally(std::vector<std::string> titles, std::int32_t today, int periodDays);

  // The list with this title, or -1 when the profile has none (or it was not chosen).
  int listOf(std::string_view title);
  // The day's figures of list `list` and of the whole profile, or nullptr (both) when the day
  // lies outside the period.
  DayFigures* day(int list, std::int32_t day);
  DayFigures* wholeDay(std::int32_t day);
  ListFigures& list(int list) { return m_lists[static_cast<std::size_t>(list)]; }
  ListFigures& whole() { return m_whole; }
  std::vector<ListFigures>& lists() { return m_lists; }
  std::int32_t today() const { return m_today; }
  std::int32_t firstDay() const { return m_firstDay; }
  bool inPeriod(std::int32_t day) const { return day >= m_firstDay && day <= m_today; }
  void damaged() { ++m_damaged; }
  std::int64_t damagedLines() const { return m_damaged; }

 private:
  std::vector<ListFigures> m_lists;
  ListFigures m_whole;
  std::int32_t m_today;
  std::int32_t m_firstDay;
  int m_lastList = -1;  // the list found last: records of one list tend to follow each other
  std::int64_t m_damaged = 0;
};

}  // namespace tidewell::stats
