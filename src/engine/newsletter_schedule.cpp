#include "engine/newsletter_schedule.h"

#include <charconv>

#include "engine/send_rate.h"
#include "store/date_text.h"
#include "store/text.h"

namespace tidewell::engine {

Schedule scheduleOf(const NewsletterRecord& n) {
  Schedule s;
  if (n.dateordays == "date") {
    s.kind = Schedule::Kind::kDate;
    if (auto date = store::parseDate(n.date)) {
      s.dateDay = store::toDayNumber(*date);
    } else {
      s.problem = "The date of " + n.title + " is not a date: " + n.date;
    }
    return s;
  }
  std::string_view days = store::trim(n.days);
  if (days == "All" || days == "-1") {
    s.kind = Schedule::Kind::kAll;
    return s;
  }
  auto [end, error] = std::from_chars(days.data(), days.data() + days.size(), s.days);
  if (days.empty() || error != std::errc() || end != days.data() + days.size()) {
    s.problem = "The days of " + n.title + " are not a number: " + n.days;
  }
  return s;
}

bool isDue(const Schedule& s, std::int32_t signupDay, std::int32_t today, int catchUp) {
  auto inWindow = [&](std::int64_t day) { return day <= today && day >= today - catchUp; };
  switch (s.kind) {
    case Schedule::Kind::kAll:
      return true;
    case Schedule::Kind::kDate:
      return inWindow(s.dateDay);
    case Schedule::Kind::kDays:
      return inWindow(static_cast<std::int64_t>(signupDay) + s.days);
  }
  return false;
}

std::vector<std::string> newslettersDueAtSignUp(const store::ProfileDocument& profile,
                                                std::string_view filterTitle, std::int32_t today) {
  const int catchUp = wholeNumberSetting(profile, store::kNewslettersBlock, "catchup");
  std::vector<std::string> due;
  for (int index : profile.indexesInTreeOrder()) {
    if (!store::equalsIgnoreCase(profile.get(index, "name"), store::kNewsletterOpening)) continue;
    if (!store::equalsIgnoreCase(profile.getExactKey(index, "rule"), filterTitle)) continue;
    NewsletterRecord n;
    n.title = profile.getExactKey(index, "title");
    n.days = profile.getExactKey(index, "days");
    n.date = profile.getExactKey(index, "date");
    n.dateordays = profile.getExactKey(index, "dateordays");
    Schedule schedule = scheduleOf(n);
    if (schedule.problem.empty() && isDue(schedule, today, today, catchUp)) due.push_back(n.title);
  }
  return due;
}

}  // namespace tidewell::engine
