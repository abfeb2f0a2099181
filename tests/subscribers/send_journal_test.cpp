#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/send_journal.h"
#include "store/text.h"
#include "subscriber_fixture.h"

namespace tidewell::testing {
namespace {

using ::testing::ElementsAre;

class SendJournalTest : public SubscriberFixture {
 protected:
  std::filesystem::path sentPath() const { return folder / "Gold.sent"; }
  std::filesystem::path foldingPath() const { return folder / "Gold.sent.folding"; }
  store::SendJournal& journal() { return store::SendJournal::forSubscriberFile(subscriberPath()); }
  std::vector<std::string> sentLists() const {
    std::vector<std::string> lists;
    for (store::Position p = 0; p < table.size(); ++p)
      lists.emplace_back(table.record(p).sentList());
    return lists;
  }
};

TEST_F(SendJournalTest, LinesReachTheRightRecordsOnceEach) {
  struct Case {
    std::string what;
    std::vector<std::string> folding, sent;
    std::vector<std::string> expected;  // sent lists of ann/Filter_1, ann/Filter_2, bob
  };
  const std::string ann = "ann@x.com", bob = "bob@x.com";
  auto line = [](const std::string& a, const std::string& t) {
    return a + "\t" + t + "\t12/5/2026\t9:00:00 AM";
  };
  std::vector<Case> cases = {
      {"the newsletter's own list only",
       {},
       {line(ann, "Welcome")},
       {"none", "Welcome[\\?]", "none"}},
      {"an unknown title goes to every record of the address",
       {},
       {line(ann, "Old")},
       {"Old[\\?]", "Old[\\?]", "none"}},
      {"folding first, then sent, each title once",
       {line(bob, "Tips")},
       {line(bob, "Tips"), line(bob, "Welcome")},
       {"none", "none", "Tips[\\?]Welcome[\\?]"}},
      {"a torn last line and unknown addresses change nothing",
       {},
       {line("zed@x.com", "Tips"), bob + "\tTips", bob + "\tTips\t12/5/2026"},
       {"none", "none", "none"}},
      {"a title with a TAB", {}, {line(bob, "A\tB")}, {"none", "none", "A\tB[\\?]"}},
  };
  const std::unordered_map<std::string, std::string> filters = {{"Welcome", "Filter_2"},
                                                                {"Tips", "Filter_1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    table = makeTable({subscriber(ann, "Ann", "Filter_1"), subscriber(ann, "Ann", "Filter_2"),
                       subscriber(bob, "Bob", "Filter_1")});
    table.setSentList(2, "none");
    table.clearChanged();
    std::filesystem::remove(foldingPath());
    std::filesystem::remove(sentPath());
    if (!c.folding.empty()) writeBytes(foldingPath(), crlf(c.folding));
    if (!c.sent.empty()) writeBytes(sentPath(), crlf(c.sent));
    journal().applyTo(table, filters);
    EXPECT_EQ(sentLists(), c.expected);
    EXPECT_TRUE(table.changed());  // so the next save folds the journal
  }
}

TEST_F(SendJournalTest, SaveFoldsTheJournalAndEmptiesIt) {
  writeSubscribers(recordLines("ann@x.com", "Ann"));
  ASSERT_TRUE(journal().append("ann@x.com", "Welcome", "12/5/2026", "9:00:00 AM"));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  EXPECT_EQ(table.record(0).sentList(), "Welcome[\\?]");
  EXPECT_TRUE(table.changed());

  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_FALSE(std::filesystem::exists(sentPath()));
  EXPECT_FALSE(std::filesystem::exists(foldingPath()));
  EXPECT_EQ(savedLines()[3], "Welcome[\\?]");

  // A save that stopped after its fold began (killed, disk full) leaves the folded lines; the
  // next load still applies them and the next save takes them with the new ones.
  ASSERT_TRUE(journal().append("ann@x.com", "Tips", "12/5/2026", "9:01:00 AM"));
  journal().beginFold();
  ASSERT_TRUE(journal().append("ann@x.com", "News", "12/5/2026", "9:02:00 AM"));
  EXPECT_THAT(readLines(foldingPath()), ElementsAre("ann@x.com\tTips\t12/5/2026\t9:01:00 AM"));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  EXPECT_EQ(table.record(0).sentList(), "Welcome[\\?]Tips[\\?]News[\\?]");
  journal().beginFold();  // the unfinished fold gets the fresh lines too
  EXPECT_EQ(readLines(foldingPath()).size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(sentPath()));
  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_FALSE(std::filesystem::exists(foldingPath()));
  EXPECT_EQ(savedLines()[3], "Welcome[\\?]Tips[\\?]News[\\?]");

  // Two saves writing in turn: the first to end must leave the lines the second still writes.
  ASSERT_TRUE(journal().append("ann@x.com", "Extra", "12/5/2026", "9:03:00 AM"));
  std::uint64_t first = journal().beginFold();
  std::uint64_t second = journal().beginFold();
  journal().endFold(first);
  EXPECT_TRUE(std::filesystem::exists(foldingPath()));
  journal().endFold(second);
  EXPECT_FALSE(std::filesystem::exists(foldingPath()));
}

}  // namespace
}  // namespace tidewell::testing
