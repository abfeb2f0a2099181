#include "stats/tally.h"

namespace tidewell::stats {

namespace {

std::vector<DayFigures> periodDays(std::int32_t firstDay, int count) {
  std::vector<DayFigures> days(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) days[static_cast<std::size_t>(i)].day = firstDay + i;
  return days;
}

}  // namespace

Tally::Tally(std::vector<std::string> titles, std::int32_t today, int periodDays)
    : m_today(today), m_firstDay(today - periodDays + 1) {
  for (auto& title : titles) {
    ListFigures list;
    list.title = std::move(title);
    list.days = stats::periodDays(m_firstDay, periodDays);
    m_lists.push_back(std::move(list));
  }
  m_whole.days = stats::periodDays(m_firstDay, periodDays);
}

int Tally::listOf(std::string_view title) {
  if (m_lastList >= 0 && m_lists[static_cast<std::size_t>(m_lastList)].title == title) {
    return m_lastList;
  }
  for (std::size_t i = 0; i < m_lists.size(); ++i) {
    if (m_lists[i].title == title) return m_lastList = static_cast<int>(i);
  }
  return -1;
}

DayFigures* Tally::day(int list, std::int32_t day) {
  if (list < 0 || !inPeriod(day)) return nullptr;
  return &m_lists[static_cast<std::size_t>(list)].days[static_cast<std::size_t>(day - m_firstDay)];
}

DayFigures* Tally::wholeDay(std::int32_t day) {
  if (!inPeriod(day)) return nullptr;
  return &m_whole.days[static_cast<std::size_t>(day - m_firstDay)];
}

}  // namespace tidewell::stats
