// The profile file read, changed and written in memory and on disk, and the store's basics: text
// decoding and comparison, dates, file helpers, and the error trap that logs every fault.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/date_text.h"
#include "store/error.h"
#include "store/error_trap.h"
#include "store/profile_document.h"
#include "store/profile_store.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"
#include "support/test_support.h"

namespace tidewell::store {
namespace {

using testing::crlf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readBytes;
using ::testing::StartsWith;
using testing::writeBytes;

std::vector<std::string> block(const std::string& kind, int index,
                               const std::vector<std::string>& properties,
                               const std::string& closing = "") {
  std::vector<std::string> lines{kind + "_properties_start", "index: " + std::to_string(index),
                                 "name: " + kind + "_properties_start"};
  lines.insert(lines.end(), properties.begin(), properties.end());
  lines.push_back(closing.empty() ? kind + "_properties_end" : closing);
  lines.emplace_back();
  return lines;
}

// user, server settings, Newsletters, Filters, then the given extra blocks.
ProfileDocument profileWith(const std::vector<std::vector<std::string>>& extra = {}) {
  std::vector<std::vector<std::string>> blocks{
      block("user", 1, {"title: Gold", "date: 12/5/2026"}),
      block("campaign", 2,
            {"title: Server Settings", "parent: Gold", "smtp: mail.example.com", "SMTPPort: 25",
             "smtp_account: bob"},
            "campain_properties_end"),
      block("outbound", 3, {"title: Newsletters", "parent: Server Settings"}),
      block("inbound", 4, {"title: Filters", "parent: Server Settings"})};
  blocks.insert(blocks.end(), extra.begin(), extra.end());
  std::vector<std::string> lines;
  for (const auto& b : blocks) lines.insert(lines.end(), b.begin(), b.end());
  return ProfileDocument(lines);
}

std::vector<std::string> filter(int index, const std::string& title,
                                std::vector<std::string> more = {}) {
  std::vector<std::string> props{"title: " + title, "parent: Filters", "subject: join"};
  props.insert(props.end(), more.begin(), more.end());
  return block("rule", index, props);
}

std::vector<std::string> newsletter(int index, const std::string& title, const std::string& rule) {
  return block("newsletter", index, {"title: " + title, "parent: Newsletters", "rule: " + rule});
}

TEST(ProfileDocumentRead, PrefixKeysTrimmingAbsentValuesAndAValueHoldingTheClosingWord) {
  ProfileDocument d = profileWith();
  EXPECT_EQ(d.get(2, "smtp"), "mail.example.com");  // "smtp" stands before SMTPPort
  EXPECT_EQ(d.get(2, "SMTPPORT"), "25");
  EXPECT_EQ(d.get(2, "name"), "campaign_properties_start");
  EXPECT_EQ(d.get(2, "pop3") + d.get(9, "title"), "!!");  // absent key, absent block
  ProfileDocument spaced({"user_properties_start", "index: 1", "title:Gold", "date:   12/5/2026  ",
                          "user_properties_end"});
  EXPECT_EQ(spaced.get(1, "title") + "|" + spaced.get(1, "date"), "Gold|12/5/2026");
  // A value holding the closing word does not end the block.
  ProfileDocument closing =
      profileWith({filter(5, "Filter_1", {"body: x_properties_end y", "optout: 7"})});
  EXPECT_EQ(closing.get(5, "optout"), "7");
  closing.set(5, "redirect", "r");
  EXPECT_EQ(closing.lines()[closing.findBlock(5)->closingLine - 1], "redirect: r");
}

TEST(ProfileDocumentRead, MalformedBlocksRaiseInsteadOfReadingTheNeighbour) {
  ProfileDocument d({"rule_properties_start", "index: 5", "title: Open", "rule_properties_start",
                     "index: 6", "title: Next", "optout: x", "rule_properties_end"});
  EXPECT_THROW(d.get(5, "optout"), TrapError);
  EXPECT_EQ(d.get(6, "optout"), "x");
  ProfileDocument twice({"a_properties_start", "index: 3", "a_properties_end", "",
                         "b_properties_start", "index: 3", "b_properties_end"});
  EXPECT_THROW(twice.get(3, "name"), TrapError);
  twice.renumber();
  EXPECT_EQ(twice.get(2, "index"), "2");
}

TEST(ProfileDocumentWrite, MissingKeyGoesBeforeTheClosingLineWhatTheFileCannotHoldIsRefused) {
  ProfileDocument d = profileWith();
  d.set(1, "date2", "12/6/2026");
  EXPECT_EQ(d.lines()[d.findBlock(1)->closingLine - 1], "date2: 12/6/2026");
  std::size_t count = d.lines().size();
  d.set(1, "DATE2", "1/1/2027");
  EXPECT_EQ(d.lines().size(), count);
  EXPECT_EQ(d.get(1, "date2"), "1/1/2027");
  EXPECT_EQ(d.get(1, "date"), "12/5/2026");  // date stands before date2
  // What the file cannot hold is refused, changing nothing.
  auto before = d.lines();
  EXPECT_THROW(d.set(1, "title", "two\r\nlines"), TrapError);
  EXPECT_THROW(d.set(1, "", "x"), TrapError);
  EXPECT_THROW(d.set(1, "a:b", "x"), TrapError);
  EXPECT_THROW(d.set(42, "title", "x"), TrapError);
  EXPECT_EQ(d.lines(), before);
}

TEST(ProfileDocumentWrite, DeleteKeyThenRegenerateRenumbersOnlyNumberedKeys) {
  std::vector<std::string> rules;
  for (int i = 1; i <= 12; ++i)
    rules.push_back("rule" + std::to_string(i) + ": <1<Subject>1> <3<rule" + std::to_string(i) +
                    " text>3>");
  rules.push_back("rules_note: kept");
  ProfileDocument d = profileWith({filter(5, "Filter_1", rules)});
  d.deleteKey(5, "RULE1");
  EXPECT_EQ(d.get(5, "rule1:"), "!");
  EXPECT_EQ(d.get(5, "rule12"), "<1<Subject>1> <3<rule12 text>3>");
  d.regenerateKeys(5, "rule");
  EXPECT_EQ(d.get(5, "rule1:"), "<1<Subject>1> <3<rule2 text>3>");  // value unchanged
  EXPECT_EQ(d.get(5, "rule11"), "<1<Subject>1> <3<rule12 text>3>");
  EXPECT_EQ(d.get(5, "rule12"), "!");
  EXPECT_EQ(d.get(5, "rules_note"), "kept");
}

TEST(ProfileDocumentWrite, TitleRenameFollowsParentsAndRuleRenameOnlyRuleLinesNotOtherKeys) {
  ProfileDocument d = profileWith({newsletter(5, "Welcome", "Filter_1"), filter(6, "Filter_1")});
  EXPECT_TRUE(d.replaceByOldValue("title: Letters", "Newsletters", 3));
  EXPECT_EQ(d.get(5, "parent"), "Letters");
  EXPECT_EQ(d.get(3, "title"), "Letters");
  // A subject that happens to equal a title must not drag parent lines along.
  ProfileDocument other = profileWith({filter(5, "Filter_1", {"optout: Filters"})});
  EXPECT_TRUE(other.replaceByOldValue("optout: Gone", "Filters", 5));
  EXPECT_EQ(other.get(5, "parent"), "Filters");
  EXPECT_FALSE(other.replaceByOldValue("title: X", "NotThere", 5));
  EXPECT_EQ(other.get(5, "title"), "Filter_1");
  ProfileDocument rules =
      profileWith({newsletter(5, "A", "Filter_1"), newsletter(6, "B", "filter_1"),
                   newsletter(7, "C", "Filter_10"), filter(8, "Filter_1")});
  EXPECT_EQ(rules.renameRuleReferences("Filter_1", "Gold List"), 2);
  EXPECT_EQ(rules.get(5, "rule") + "|" + rules.get(6, "rule") + "|" + rules.get(7, "rule"),
            "Gold List|Gold List|Filter_10");
}

TEST(ProfileDocumentDelete, FilterTakesItsNewslettersNotOneOutOfOrderAndRenumberingTidies) {
  ProfileDocument d =
      profileWith({filter(5, "Filter_1"), newsletter(6, "A", "Filter_1"),
                   newsletter(7, "B", "Filter_1"), filter(8, "Filter_2"), newsletter(9, "C", "x")});
  d.deleteNode(5);
  for (int gone : {5, 6, 7}) EXPECT_FALSE(d.hasBlock(gone)) << gone;
  d.renumber();
  EXPECT_EQ(d.get(5, "title"), "Filter_2");
  EXPECT_EQ(d.get(6, "title"), "C");
  EXPECT_THAT(d.indexesInTreeOrder(), ElementsAre(1, 2, 3, 4, 5, 6));
  // Separator lines went with the blocks: no doubled empty lines remain.
  for (std::size_t i = 1; i < d.lines().size(); ++i)
    EXPECT_FALSE(d.lines()[i].empty() && d.lines()[i - 1].empty()) << i;
  // A new newsletter sits before the filters but carries the highest index.
  ProfileDocument late = profileWith({newsletter(7, "New", "x"), filter(5, "F1"), filter(6, "F2")});
  late.deleteNode(5);
  EXPECT_TRUE(late.hasBlock(7) && !late.hasBlock(5));
  // The last block leaves its separator, which renumbering drops.
  ProfileDocument last = profileWith({filter(5, "Filter_1")});
  last.deleteNode(5);
  EXPECT_EQ(last.lines().back(), "");
  EXPECT_EQ(last.lines()[last.lines().size() - 2], "inbound_properties_end");
  last.renumber();
  EXPECT_EQ(last.lines().back(), "inbound_properties_end");
  // Renumbering tidies empty lines.
  ProfileDocument tidy({"rule_properties_start", "index: 9", "title: a", "", "rule_properties_end",
                        "", "", "", "rule_properties_start", "index: 4", "rule_properties_end", "",
                        ""});
  tidy.renumber();
  EXPECT_THAT(tidy.lines(),
              ElementsAre("rule_properties_start", "index: 1", "title: a", "rule_properties_end",
                          "", "rule_properties_start", "index: 2", "rule_properties_end"));
}

TEST(ProfileDocumentQueries, KindReaderStaysInsideEachBlockDuplicateLinesFiltersFreeIndexes) {
  ProfileDocument d = profileWith({filter(5, "Filter_1"), newsletter(6, "N", "x"),
                                   block("rule", 7, {"parent: Filters"}), filter(8, "Filter_3")});
  int line = 0;
  std::string indexLine;
  EXPECT_EQ(d.findByKind("rule_properties_start", "title:", line, &indexLine), "Filter_1");
  EXPECT_EQ(indexLine, "index: 5");
  // The untitled filter has no title: the reader does not borrow one from a later block.
  EXPECT_EQ(d.findByKind("rule_properties_start", "title:", line, &indexLine), std::nullopt);
  EXPECT_EQ(indexLine, "index: 7");
  int fromTop = 0;
  EXPECT_EQ(d.findByKind("inbound_properties_start", "TITLE:", fromTop, nullptr), "Filters");
  // Duplicate lines, filters, free indexes.
  d = profileWith({filter(5, "Filter_1"), block("rule", 6, {"subject: hello"})});
  EXPECT_TRUE(d.containsLine("title: filter_1") && d.containsLine("TITLE:Filter_1 "));
  EXPECT_FALSE(d.containsLine("title: Filter_"));
  EXPECT_TRUE(d.filterExists("FILTER_1", ""));
  EXPECT_FALSE(d.filterExists("Newsletters", ""));
  EXPECT_TRUE(d.filterExists("", "Hello"));
  EXPECT_EQ(d.nextFreeIndex(), 7);
}

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { writeBytes(path, crlf(profileWith().lines())); }
  testing::TrapFixture fx;
  std::filesystem::path path = fx.folder / "Gold.dat";
  ProfileStore store{path, fx.trap};
};

TEST_F(ProfileStoreTest, ReadsLfAndMixedLineEndsAndWindows1252) {
  writeBytes(path, "user_properties_start\nindex: 1\r\ntitle: Caf\xE9\nuser_properties_end\n");
  EXPECT_EQ(store.GetFromFile_new(1, "title"), "Caf\xC3\xA9");
  ASSERT_TRUE(store.UpdateFile_new(1, "date", "12/5/2026"));
  EXPECT_EQ(readBytes(path), crlf({"user_properties_start", "index: 1", "title: Caf\xC3\xA9",
                                   "date: 12/5/2026", "user_properties_end"}));
}

TEST_F(ProfileStoreTest, MissingFileReadsAsAbsentAndWritersFailWithALogLine) {
  ProfileStore missing(fx.folder / "None.dat", fx.trap);
  EXPECT_EQ(missing.GetFromFile_new(1, "title"), "!");
  int line = 0;
  EXPECT_EQ(missing.GetFromFile("user_properties_start", "title:", line), "-1");
  EXPECT_TRUE(fx.logLines().empty());
  EXPECT_FALSE(missing.UpdateFile_new(1, "title", "x"));
  EXPECT_FALSE(std::filesystem::exists(fx.folder / "None.dat"));
  EXPECT_THAT(fx.logLines(),
              ElementsAre(StartsWith("UpdateFile_new:12/5/2026 1:02:03 PM 53 File not found")));
  EXPECT_THAT(fx.ui.statuses.back(), StartsWith("UpdateFile_new: File not found"));
  EXPECT_FALSE(missing.UpdateIndex());
  EXPECT_THAT(fx.logLines().back(), StartsWith("UpdateIndex 12/5/2026 "));
}

TEST_F(ProfileStoreTest, BrokenBlockIsReportedAndTheFileKeptUntilRenumberingMendsIt) {
  std::string broken =
      crlf({"rule_properties_start", "index: 5", "title: A", "rule_properties_start", "index: 6",
            "title: B", "rule_properties_end"});
  writeBytes(path, broken);
  EXPECT_FALSE(store.UpdateFile_new(5, "optout", "x"));
  EXPECT_EQ(store.GetFromFile_new(5, "title"), "!");
  EXPECT_EQ(readBytes(path), broken);
  EXPECT_THAT(fx.ui.statuses.back(), HasSubstr("Block 5 has no closing line"));
  EXPECT_TRUE(store.UpdateIndex());
}

TEST_F(ProfileStoreTest, InterruptedChangeLeavesTheOldFileStaleWorkFilesGoCopyFileCommitsOne) {
  std::string before = readBytes(path);
  // A change that died after writing its work file but before the rename.
  writeWorkFile(path, "half a profile");
  EXPECT_EQ(readBytes(path), before);
  EXPECT_EQ(store.GetFromFile_new(1, "title"), "Gold");
  ASSERT_TRUE(store.UpdateFile_new(1, "title", "Silver"));
  EXPECT_EQ(store.GetFromFile_new(1, "title"), "Silver");
  EXPECT_THAT(readBytes(path), Not(HasSubstr("half a profile")));
  EXPECT_FALSE(std::filesystem::exists(workFilePath(path)));
  writeWorkFile(path, crlf({"replaced"}));
  EXPECT_TRUE(store.CopyFile());
  EXPECT_EQ(readBytes(path), crlf({"replaced"}));
  EXPECT_FALSE(store.CopyFile());  // no work file left to commit
}

TEST(Text, Utf8IsKeptElseWindows1252LinesSplitOnLfAndComparisonsFoldAccentedLetters) {
  EXPECT_TRUE(isValidUtf8("plain \xC3\xA9\xE2\x82\xAC"));
  // Latin-1, cut short, overlong, a surrogate.
  for (const char* bad : {"caf\xE9", "\xC3", "\xC0\xAF", "\xED\xA0\x80"})
    EXPECT_FALSE(isValidUtf8(bad)) << ::testing::PrintToString(std::string(bad));
  EXPECT_EQ(decodeFileText("caf\xE9 \x80 \x93"), "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C");
  EXPECT_EQ(decodeFileText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(decodeFileText("caf\xC3\xA9\r\ncaf\xE9\n"), "caf\xC3\xA9\r\ncaf\xC3\xA9\n");
  EXPECT_THAT(splitLines("a\r\nb\nc"), ElementsAre("a", "b", "c"));
  EXPECT_THAT(splitLines("a\r\n\r\nb\r\n"), ElementsAre("a", "", "b"));
  EXPECT_TRUE(splitLines("").empty());
  EXPECT_EQ(joinLinesCrLf({"a", "", "b"}), "a\r\n\r\nb\r\n");
  // Case-insensitive comparisons fold accented letters.
  EXPECT_TRUE(equalsIgnoreCase("SMTPPort", "smtpport"));
  EXPECT_TRUE(equalsIgnoreCase("M\xC3\x9CLLER", "m\xC3\xBCller"));  // MÜLLER
  EXPECT_TRUE(startsWithIgnoreCase("SMTP_account: x", "smtp"));
  EXPECT_FALSE(startsWithIgnoreCase("sm", "smtp"));
  EXPECT_TRUE(containsIgnoreCase("Anna \xD0\x9F\xD0\xB5\xD1\x82\xD1\x80", "\xD0\xBF\xD0\x95"));
  EXPECT_EQ(replaceAll("a--b--", "--", "+"), "a+b+");
  EXPECT_EQ(trim("  \tvalue \t"), "value");
}

TEST(Utilities, AddressUrlAndFileChecks) {
  for (const char* valid : {"@.", ".x@"}) EXPECT_TRUE(ValidateEmail(valid)) << valid;
  for (const char* bad : {"ann@example", "ann.example.com"})
    EXPECT_FALSE(ValidateEmail(bad)) << bad;
  for (const char* url : {"http://example.com/a?b=c", "mailto:ann@example.com"})
    EXPECT_TRUE(ValidateURL(url)) << url;
  for (const char* bad : {"ann@example.com", "www.example.com", "http://exa mple.com", "C:\\file"})
    EXPECT_FALSE(ValidateURL(bad)) << bad;
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

TEST(DateText, WrittenFormsAndAcceptedFormsReadBackNonDatesAreRefusedDayNumbersRoundTrip) {
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
  for (const char* text :
       {"", "!", "2/29/2026", "13/1/2026", "12/5", "12/5/2026x", "0/1/2026", "12:00:00 AM",
        "date not set", "Foo 5, 2026", "2026-1-5", "99999999999/1/2026"}) {
    EXPECT_EQ(parseDate(text), std::nullopt) << text;
  }
  EXPECT_EQ(toDayNumber({1970, 1, 1}), 0);
  for (int n : {-1000000, -1, 0, 59, 60, 20000, 2932896})
    EXPECT_EQ(toDayNumber(fromDayNumber(n)), n);
  EXPECT_EQ(toDayNumber({2026, 12, 5}) - toDayNumber({2026, 11, 30}), 5);
}

class FailingOperator : public testing::RecordingOperator {
 public:
  void showStatus(const std::string&) override {
    ++calls;
    throw std::runtime_error("status bar gone");
  }
  int calls = 0;
};

TEST(ErrorTrap, LogLineAndStatusTextAlsoOfForeignExceptionsAndAFailureInsideIsSwallowed) {
  testing::TrapFixture fx;
  int result = fx.trap.run(Procedure{"Save_Email"}, -1,
                           []() -> int { raise(kPathAccess, "Permission denied\r\nsecond line"); });
  EXPECT_EQ(result, -1);
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_EQ(fx.logLines()[0], "Save_Email:12/5/2026 1:02:03 PM 75 Permission denied  second line");
  EXPECT_EQ(fx.ui.statuses.back(), "Save_Email: Permission denied\r\nsecond line");
  EXPECT_TRUE(fx.trap.run(windowProcedure("UpdateIndex"), [] {}));
  EXPECT_EQ(fx.logLines().size(), 1u);
  EXPECT_FALSE(fx.trap.run(windowProcedure("cmdNewInbound"), [] { throw std::bad_alloc(); }));
  EXPECT_EQ(fx.logLines().back(), "cmdNewInbound 12/5/2026 1:02:03 PM 7 Out of memory");
  // An operator whose status panel fails, and no log folder: neither recursion nor a throw.
  FailingOperator failing;
  ErrorTrap broken(fx.folder / "no-such-folder", failing, fx.clock);
  EXPECT_FALSE(broken.run(Procedure{"UpdateFile"}, [] { raise(kBadFormat, "x"); }));
  EXPECT_EQ(failing.calls, 1);
}

}  // namespace
}  // namespace tidewell::store
