#include "store/date_text.h"

#include <array>
#include <charconv>

#include "store/text.h"

namespace tidewell::store {

namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};
constexpr std::array<std::string_view, 12> kMonthAbbreviations = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : kDays[static_cast<std::size_t>(m - 1)];
}

// Parses an unsigned decimal number of 1 to maxDigits digits that makes up the whole text.
std::optional<int> readNumber(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Date> checked(std::optional<int> y, std::optional<int> m, std::optional<int> d) {
  if (!y || !m || !d) return std::nullopt;
  Date date{*y, *m, *d};
  if (!isValidDate(date)) return std::nullopt;
  return date;
}

std::optional<Date> parseSlashed(std::string_view t) {
  std::size_t a = t.find('/');
  if (a == std::string_view::npos) return std::nullopt;
  std::size_t b = t.find('/', a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  return checked(readNumber(t.substr(b + 1), 4), readNumber(t.substr(0, a), 2),
                 readNumber(t.substr(a + 1, b - a - 1), 2));
}

std::optional<int> monthFromName(std::string_view name) {
  std::string folded = foldCase(name);
  if (folded.size() < 3) return std::nullopt;
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (folded == kMonthNames[i] || folded == kMonthNames[i].substr(0, 3)) {
      return static_cast<int>(i) + 1;
    }
  }
  return std::nullopt;
}

// "Dec 5, 2026"
std::optional<Date> parsePicker(std::string_view t) {
  std::size_t space = t.find(' ');
  std::size_t comma = t.find(',');
  if (space == std::string_view::npos || comma == std::string_view::npos || comma < space) {
    return std::nullopt;
  }
  return checked(readNumber(trim(t.substr(comma + 1)), 4), monthFromName(t.substr(0, space)),
                 readNumber(trim(t.substr(space + 1, comma - space - 1)), 2));
}

}  // namespace

bool isValidDate(const Date& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= daysInMonth(d.year, d.month);
}

// Civil-date conversion after Howard Hinnant's days_from_civil.
std::int32_t toDayNumber(const Date& d) {
  int y = d.year - (d.month <= 2 ? 1 : 0);
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int mp = (d.month + 9) % 12;
  int doy = (153 * mp + 2) / 5 + d.day - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Date fromDayNumber(std::int32_t days) {
  int z = days + 719468;
  int era = (z >= 0 ? z : z - 146096) / 146097;
  int doe = z - era * 146097;
  int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int mp = (5 * doy + 2) / 153;
  int day = doy - (153 * mp + 2) / 5 + 1;
  int month = mp < 10 ? mp + 3 : mp - 9;
  return Date{yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::string shortDateText(const Date& d) {
  return std::to_string(d.month) + "/" + std::to_string(d.day) + "/" + std::to_string(d.year);
}

std::string pickerText(const Date& d) {
  return std::string(kMonthAbbreviations[static_cast<std::size_t>(d.month - 1)]) + " " +
         std::to_string(d.day) + ", " + std::to_string(d.year);
}

std::string longTimeText(int hour, int minute, int second) {
  auto twoDigits = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  int h12 = hour % 12 == 0 ? 12 : hour % 12;
  return std::to_string(h12) + ":" + twoDigits(minute) + ":" + twoDigits(second) +
         (hour < 12 ? " AM" : " PM");
}

std::optional<Date> parseIsoDate(std::string_view t) {
  if (t.size() != 10 || t[4] != '-' || t[7] != '-') return std::nullopt;
  return checked(readNumber(t.substr(0, 4), 4), readNumber(t.substr(5, 2), 2),
                 readNumber(t.substr(8, 2), 2));
}

std::optional<Date> parseDate(std::string_view text) {
  std::string_view t = trim(text);
  if (t.find('/') != std::string_view::npos) return parseSlashed(t);
  if (t.find(',') != std::string_view::npos) return parsePicker(t);
  return parseIsoDate(t);
}

}  // namespace tidewell::store
