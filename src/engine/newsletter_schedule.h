#pragma once
// When a newsletter is due: a number of days after sign-up, to everybody ("All"), or on one
// date, with the catch-up days a missed follow-up is still sent. Shared by the sending pass, the
// CSV import's question about follow-ups already due and the statistics' outlook, so they always
// agree. Stateless.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/newsletter_table.h"
#include "store/profile_document.h"

namespace tidewell::engine {

struct Schedule {
  enum class Kind { kDays, kAll, kDate } kind = Kind::kDays;
  int days = 0;
  std::int32_t dateDay = 0;
  std::string problem;  // why the schedule cannot be read; empty when it can
};

// From a newsletter's "days", "date" and "dateordays"; title names it in the problem.
Schedule scheduleOf(std::string_view title, std::string_view days, std::string_view date,
                    std::string_view dateordays);
Schedule scheduleOf(const NewsletterRecord& newsletter);

// Due today, or on one of the catchUp days before it (missed while the program was not running).
bool isDue(const Schedule& s, std::int32_t signupDay, std::int32_t today, int catchUp);

// The day a subscriber who signed up on signupDay gets it: today for "All", the date for a
// fixed date.
std::int64_t dueDay(const Schedule& s, std::int32_t signupDay, std::int32_t today);

// The titles of the filter's newsletters that the next sending pass would send to a subscriber
// who signs up today, in profile order.
std::vector<std::string> newslettersDueAtSignUp(const store::ProfileDocument& profile,
                                                std::string_view filterTitle, std::int32_t today);

}  // namespace tidewell::engine
