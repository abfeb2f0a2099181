#include "engine/newsletter_schedule.h"

#include <charconv>

#include "engine/send_rate.h"
#include "store/date_text.h"
#include "store/text.h"

namespace tidewell::engine {

Schedule scheduleOf(std::string_view title, std::string_view days, std::string_view date,
                    std::string_view dateordays) {
  Schedule s;
  if (dateordays == "date") {
    s.kind = Schedule::Kind::kDate;
    if (auto parsed = store::parseDate(date)) {
      s.dateDay = store::toDayNumber(*parsed);
    } else {
      s.problem = "The date of " + std::string(title) + " is not a date: " + std::string(date);
    }
    return s;
  }
  std::string_view trimmed = store::trim(days);
  if (trimmed == "All" || trimmed == "-1") {
    s.kind = Schedule::Kind::kAll;
    return s;
  }
  auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), s.days);
  if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size()) {
    s.problem = "The days of " + std::string(title) + " are not a number: " + std::string(days);
  }
  return s;
}

Schedule scheduleOf(const NewsletterRecord& n) {
  return scheduleOf(n.title, n.days, n.date, n.dateordays);
}

std::int64_t dueDay(const Schedule& s, std::int32_t signupDay, std::int32_t today) {
  switch (s.kind) {
    case Schedule::Kind::kAll:
      return today;
    case Schedule::Kind::kDate:
      return s.dateDay;
    case Schedule::Kind::kDays:
      return static_cast<std::int64_t>(signupDay) + s.days;
  }
  return today;
}

bool isDue(const Schedule& s, std::int32_t signupDay, std::int32_t today, int catchUp) {
  std::int64_t day = dueDay(s, signupDay, today);
  return day <= today && day >= static_cast<std::int64_t>(today) - catchUp;
}

std::vector<std::string> newslettersDueAtSignUp(const store::ProfileDocument& profile,
                                                std::string_view filterTitle, std::int32_t today) {
  const int catchUp = wholeNumberSetting(profile, store::kNewslettersBlock, "catchup");
  std::vector<std::string> due;
  for (int index : profile.indexesInTreeOrder()) {
    if (!store::equalsIgnoreCase(profile.get(index, "name"), store::kNewsletterOpening)) continue;
    if (!store::equalsIgnoreCase(profile.getExactKey(index, "rule"), filterTitle)) continue;
    std::string title = profile.getExactKey(index, "title");
    Schedule schedule =
        scheduleOf(title, profile.getExactKey(index, "days"), profile.getExactKey(index, "date"),
                   profile.getExactKey(index, "dateordays"));
    if (schedule.problem.empty() && isDue(schedule, today, today, catchUp)) due.push_back(title);
  }
  return due;
}

}  // namespace tidewell::engine
