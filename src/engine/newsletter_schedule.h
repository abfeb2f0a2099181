#pragma once
// When a newsletter is due: a number of days after sign-up, to everybody ("All"), or on one
// date, with the "catchup" days after that on which a missed one still goes out. The sending
// pass sends by it; the CSV import asks about what it finds due for new subscribers. Stateless.
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
  std::string problem;  // why the days or the date cannot be read; the newsletter is unusable
};

Schedule scheduleOf(const NewsletterRecord& newsletter);
// Due today, or on one of the catchUp days before it (missed while the program was not running).
bool isDue(const Schedule& schedule, std::int32_t signupDay, std::int32_t today, int catchUp);

// The titles of the filter's newsletters that the next sending pass would send to a subscriber
// who signs up today, in profile order.
std::vector<std::string> newslettersDueAtSignUp(const store::ProfileDocument& profile,
                                                std::string_view filterTitle, std::int32_t today);

}  // namespace tidewell::engine
