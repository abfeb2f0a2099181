#include "store/text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
  EXPECT_TRUE(ValidateEmail("@."));
  EXPECT_TRUE(ValidateEmail(".x@"));
  EXPECT_FALSE(ValidateEmail("ann@example"));
  EXPECT_FALSE(ValidateEmail("ann.example.com"));
  EXPECT_TRUE(ValidateURL("http://example.com/a?b=c"));
  EXPECT_TRUE(ValidateURL("mailto:ann@example.com"));
  EXPECT_FALSE(ValidateURL("ann@example.com"));
  EXPECT_FALSE(ValidateURL("www.example.com"));
  EXPECT_FALSE(ValidateURL("http://exa mple.com"));
  EXPECT_FALSE(ValidateURL("C:\\file"));
}

TEST(Utilities, FileHelpers) {
  testing::TrapFixture fx;
  auto file = fx.folder / "eight.txt";
  testing::writeBytes(file, "a\r\nbbbbbbbbbbbbbbbb\r\n\r\nd\r\ne\r\nf\r\ng\r\nh");
  EXPECT_EQ(GetFileSize(fx.trap, file), 8);
  testing::writeBytes(file, "a\n\nb");
  EXPECT_EQ(FileToString(fx.trap, file), "a\r\n\r\nb\r\n");
  EXPECT_TRUE(FileExist(file));
  EXPECT_FALSE(FileExist(fx.folder.path()));
  EXPECT_FALSE(FileExist(fx.folder / "missing"));
  EXPECT_EQ(GetFileSize(fx.trap, fx.folder / "missing"), 0);
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_EQ(fx.logLines()[0].rfind("GetFileSize:", 0), 0u);
}

}  // namespace
}  // namespace tidewell::store
