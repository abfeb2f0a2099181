#pragma once
// Calendar dates and the date and time texts the program writes and reads: the short date text
// M/d/yyyy of every stored date, the picker text "Dec 5, 2026", and the long time text.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tidewell::store {

struct Date {
  int year = 1970;
  int month = 1;
  int day = 1;
  auto operator<=>(const Date&) const = default;
};

bool isValidDate(const Date& d);
// Days since 1970-01-01 (negative before), for date arithmetic.
std::int32_t toDayNumber(const Date& d);
Date fromDayNumber(std::int32_t days);

// "12/5/2026"
std::string shortDateText(const Date& d);
// "Dec 5, 2026"
std::string pickerText(const Date& d);
// "1:05:09 PM"
std::string longTimeText(int hour, int minute, int second);

// Reads M/d/yyyy, yyyy-MM-dd and "Mmm d, yyyy" (month names in full or in three letters, any
// letter case), with blanks around the text allowed.
std::optional<Date> parseDate(std::string_view text);

// "2026-12-05", the form of the command line's --today.
std::optional<Date> parseIsoDate(std::string_view text);

}  // namespace tidewell::store
