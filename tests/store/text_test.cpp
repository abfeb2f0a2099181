// The store's basics: text decoding and comparison, dates, file helpers, and the error trap
// that logs and shows every fault.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/date_text.h"
#include "store/error_trap.h"
#include "store/text.h"
#include "store/utilities.h"
#include "support/test_support.h"

namespace tidewell::store {
namespace {

using ::testing::ElementsAre;

TEST(Text, Utf8IsKeptAndAnythingElseReadsAsWindows1252) {
  EXPECT_TRUE(isValidUtf8("plain \xC3\xA9\xE2\x82\xAC"));
  EXPECT_FALSE(isValidUtf8("caf\xE9"));
  EXPECT_FALSE(isValidUtf8("\xC3"));          // cut short
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));      // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_EQ(decodeFileText("caf\xE9 \x80 \x93"), "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C");
  EXPECT_EQ(decodeFileText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(decodeFileText("caf\xC3\xA9\r\ncaf\xE9\n"), "caf\xC3\xA9\r\ncaf\xC3\xA9\n");
}

TEST(Text, LinesSplitOnLfWithOrWithoutCr) {
  EXPECT_THAT(splitLines("a\r\nb\nc"), ElementsAre("a", "b", "c"));
  EXPECT_THAT(splitLines("a\r\n\r\nb\r\n"), ElementsAre("a", "", "b"));
  EXPECT_TRUE(splitLines("").empty());
  EXPECT_EQ(joinLinesCrLf({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST(Text, CaseInsensitiveComparisonsFoldAccentedLetters) {
  EXPECT_TRUE(equalsIgnoreCase("SMTPPort", "smtpport"));
  EXPECT_TRUE(
      equalsIgnoreCase("M\xC3\x9C"
                       "LLER",
                       "m\xC3\xBC"
                       "ller"));  // MÜLLER
  EXPECT_TRUE(startsWithIgnoreCase("SMTP_account: x", "smtp"));
  EXPECT_FALSE(startsWithIgnoreCase("sm", "smtp"));
  EXPECT_TRUE(containsIgnoreCase("Anna \xD0\x9F\xD0\xB5\xD1\x82\xD1\x80", "\xD0\xBF\xD0\x95"));
  EXPECT_EQ(replaceAll("a--b--", "--", "+"), "a+b+");
  EXPECT_EQ(trim("  \tvalue \t"), "value");
}

TEST(Utilities, AddressAndUrlChecks) {
  for (auto [text, valid] :
       {std::pair{"@.", true}, {".x@", true}, {"ann@example", false}, {"ann.example.com", false}}) {
    EXPECT_EQ(ValidateEmail(text), valid) << text;
  }
  for (auto [text, valid] : {std::pair{"http://example.com/a?b=c", true},
                             {"mailto:ann@example.com", true},
                             {"ann@example.com", false},
                             {"www.example.com", false},
                             {"http://exa mple.com", false},
                             {"C:\\file", false}}) {
    EXPECT_EQ(ValidateURL(text), valid) << text;
  }
}

TEST(Utilities, FileHelpers) {
  testing::TrapFixture fx;
  auto file = fx.folder / "eight.txt";
  testing::writeBytes(file, "a\r\nbbbbbbbbbbbbbbbb\r\n\r\nd\r\ne\r\nf\r\ng\r\nh");
  EXPECT_EQ(GetFileSize(fx.trap, file), 8);
  testing::writeBytes(file, "a\n\nb");
  EXPECT_EQ(FileToString(fx.trap, file), "a\r\n\r\nb\r\n");
  EXPECT_TRUE(FileExist(file));
  EXPECT_FALSE(FileExist(fx.folder.path()) || FileExist(fx.folder / "missing"));
  EXPECT_EQ(GetFileSize(fx.trap, fx.folder / "missing"), 0);
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_EQ(fx.logLines()[0].rfind("GetFileSize:", 0), 0u);
}

TEST(DateText, WrittenFormsAndEveryAcceptedFormReadBack) {
  Date d{2026, 12, 5};
  EXPECT_EQ(shortDateText(d), "12/5/2026");
  EXPECT_EQ(pickerText(d), "Dec 5, 2026");
  EXPECT_EQ(CallCalander("12/5/2026", d), "Dec 5, 2026");
  EXPECT_EQ(CallCalander("keep", std::nullopt), "keep");
  EXPECT_EQ(longTimeText(0, 5, 9) + "|" + longTimeText(13, 0, 0) + "|" + longTimeText(12, 30, 0),
            "12:05:09 AM|1:00:00 PM|12:30:00 PM");
  for (const char* text :
       {"12/5/2026", " 12/05/2026 ", "2026-12-05", "Dec 5, 2026", "december 5, 2026"})
    EXPECT_EQ(parseDate(text), d) << text;
  EXPECT_EQ(parseDate("2/29/2024"), (Date{2024, 2, 29}));
}

TEST(DateText, NonDatesAreRefusedAndDayNumbersRoundTrip) {
  for (const char* text :
       {"", "!", "2/29/2026", "13/1/2026", "12/5", "12/5/2026x", "0/1/2026", "12:00:00 AM",
        "date not set", "Foo 5, 2026", "2026-1-5", "99999999999/1/2026"}) {
    EXPECT_EQ(parseDate(text), std::nullopt) << text;
  }
  EXPECT_EQ(toDayNumber({1970, 1, 1}), 0);
  for (int n : {-1000000, -1, 0, 59, 60, 20000, 2932896}) {
    EXPECT_EQ(toDayNumber(fromDayNumber(n)), n);
  }
  EXPECT_EQ(toDayNumber({2026, 12, 5}) - toDayNumber({2026, 11, 30}), 5);
}

TEST(ErrorTrap, LogLineAndStatusText) {
  testing::TrapFixture fx;
  int result = fx.trap.run(Procedure{"Save_Email"}, -1,
                           []() -> int { raise(kPathAccess, "Permission denied\r\nsecond line"); });
  EXPECT_EQ(result, -1);
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_EQ(fx.logLines()[0], "Save_Email:12/5/2026 1:02:03 PM 75 Permission denied  second line");
  EXPECT_EQ(fx.ui.statuses.back(), "Save_Email: Permission denied\r\nsecond line");
  EXPECT_TRUE(fx.trap.run(windowProcedure("UpdateIndex"), [] {}));
  EXPECT_EQ(fx.logLines().size(), 1u);
}

TEST(ErrorTrap, ForeignExceptionsAreTrappedToo) {
  testing::TrapFixture fx;
  EXPECT_FALSE(fx.trap.run(windowProcedure("cmdNewInbound"), [] { throw std::bad_alloc(); }));
  EXPECT_EQ(fx.logLines().back(), "cmdNewInbound 12/5/2026 1:02:03 PM 7 Out of memory");
}

// An operator whose status panel itself fails: the trap must neither recurse nor throw.
class FailingOperator : public testing::RecordingOperator {
 public:
  void showStatus(const std::string&) override {
    ++calls;
    throw std::runtime_error("status bar gone");
  }
  int calls = 0;
};

TEST(ErrorTrap, FailureInsideTheTrapIsSwallowed) {
  testing::TempFolder folder;
  FailingOperator ui;
  testing::FixedClock clock;
  ErrorTrap trap(folder / "no-such-folder", ui, clock);  // the log cannot be written either
  EXPECT_FALSE(trap.run(Procedure{"UpdateFile"}, [] { raise(kBadFormat, "x"); }));
  EXPECT_EQ(ui.calls, 1);
}

}  // namespace
}  // namespace tidewell::store
