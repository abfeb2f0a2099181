#include "store/date_text.h"

#include <gtest/gtest.h>

#include "store/utilities.h"

namespace tidewell::store {
namespace {

TEST(DateText, WrittenFormsAndEveryAcceptedFormReadBack) {
  Date d{2026, 12, 5};
  EXPECT_EQ(shortDateText(d), "12/5/2026");
  EXPECT_EQ(pickerText(d), "Dec 5, 2026");
  EXPECT_EQ(CallCalander("12/5/2026", d), "Dec 5, 2026");
  EXPECT_EQ(CallCalander("keep", std::nullopt), "keep");
  EXPECT_EQ(longTimeText(0, 5, 9), "12:05:09 AM");
  EXPECT_EQ(longTimeText(13, 0, 0), "1:00:00 PM");
  EXPECT_EQ(longTimeText(12, 30, 0), "12:30:00 PM");
  for (const char* text :
       {"12/5/2026", " 12/05/2026 ", "2026-12-05", "Dec 5, 2026", "december 5, 2026"})
    EXPECT_EQ(parseDate(text), d) << text;
  EXPECT_EQ(parseDate("2/29/2024"), (Date{2024, 2, 29}));
}

TEST(DateText, NonDatesAreRefused) {
  for (const char* text :
       {"", "!", "2/29/2026", "13/1/2026", "12/5", "12/5/2026x", "0/1/2026", "12:00:00 AM",
        "date not set", "Foo 5, 2026", "2026-1-5", "99999999999/1/2026"}) {
    EXPECT_EQ(parseDate(text), std::nullopt) << text;
  }
}

TEST(DateText, DayNumbersRoundTrip) {
  EXPECT_EQ(toDayNumber({1970, 1, 1}), 0);
  for (int n : {-1000000, -1, 0, 59, 60, 20000, 2932896}) {
    EXPECT_EQ(toDayNumber(fromDayNumber(n)), n);
  }
  EXPECT_EQ(toDayNumber({2026, 12, 5}) - toDayNumber({2026, 11, 30}), 5);
}

}  // namespace
}  // namespace tidewell::store
