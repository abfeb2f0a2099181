#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "store/send_journal.h"
#include "store/text.h"
#include "subscriber_fixture.h"

namespace tidewell::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;

class SubscriberFileTest : public SubscriberFixture {};

TEST_F(SubscriberFileTest, RoundTripLeavesDeletedRecordsOutAndRenumbersOnReload) {
  auto ann = recordLines("ann@x.com", "Ann", "12/5/2026", "true", "Filter_1",
                         pmfOf({{"email", "ann@x.com"}, {"name", "Ann"}}), "Welcome[\\?]Tips[\\?]");
  auto bob = recordLines("bob@x.com", "Bob", "1/31/2025", "false", "Filter_2");
  auto cid = recordLines("cid@x.com", "Cid", "2026-02-03", "maybe", "Filter_1");
  writeSubscribers(concat({ann, bob, cid}));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  ASSERT_EQ(table.size(), 3u);
  EXPECT_FALSE(table.changed());
  cid[2] = "2/3/2026";  // dates are read in any form and kept in the short date form
  EXPECT_EQ(concat({recordLinesOf(table, 0), recordLinesOf(table, 1), recordLinesOf(table, 2)}),
            concat({ann, bob, cid}));

  table.markDeleted(1);
  EXPECT_TRUE(table.changed());
  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_FALSE(table.changed());
  EXPECT_EQ(readBytes(subscriberPath()), crlf(concat({ann, cid})));
  EXPECT_FALSE(std::filesystem::exists(subscriberPath().string() + ".bac"));

  ASSERT_TRUE(file.LoadSubscriberFile(table));
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.record(1).email(), "cid@x.com");
  EXPECT_EQ(table.record(1).gridRow(), 0);
  EXPECT_TRUE(logLines().empty());
}

TEST_F(SubscriberFileTest, EmptyTablesMissingFilesAndTheLastRecordDeleted) {
  table.add(subscriber("kept@x.com"));
  ASSERT_TRUE(file.LoadSubscriberFile(table));  // saves the pending change first
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table.record(0).email(), "kept@x.com");
  table.markDeleted(0);
  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_EQ(readBytes(subscriberPath()), "");
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(table.size(), 1u);

  std::filesystem::remove(subscriberPath());
  table.add(subscriber("kept@x.com"));
  table.clearChanged();
  ASSERT_TRUE(file.LoadSubscriberFile(table));  // a missing file leaves the table
  EXPECT_EQ(table.record(0).email(), "kept@x.com");
  store::SubscriberTable empty;
  empty.setChanged();
  ASSERT_TRUE(file.Save_Email(empty));  // the empty table is never written
  EXPECT_FALSE(empty.changed());
  EXPECT_FALSE(std::filesystem::exists(subscriberPath()));
}

// After the last whole record: part of a record is logged with what it held and kept beside the
// file; a missing empty line ending the last record, or stray empty lines, lose nothing.
TEST_F(SubscriberFileTest, TrailingLinesThatAreNotAWholeRecord) {
  std::vector<std::string> third = recordLines("c@x.com", "C");
  third.pop_back();
  struct Tail {
    std::vector<std::string> lines;
    std::size_t records;
  };
  for (const Tail& tail : {Tail{{"c@x.com"}, 2}, Tail{third, 3}, Tail{{"", ""}, 2}}) {
    SCOPED_TRACE(tail.lines[0]);
    writeSubscribers(
        concat({recordLines("a@x.com", "A"), recordLines("b@x.com", "B"), tail.lines}));
    ASSERT_TRUE(file.LoadSubscriberFile(table));
    EXPECT_EQ(table.size(), tail.records);
    ASSERT_THAT(logLines(), SizeIs(2));
  }
  EXPECT_THAT(logLines()[0], HasSubstr("LoadSubscriberFile 12/5/2026"));
  EXPECT_THAT(logLines()[0], HasSubstr("c@x.com"));
  EXPECT_THAT(logLines()[1], HasSubstr("kept in Gold.txt.damaged-20261205-130203"));
}

TEST_F(SubscriberFileTest, SignUpDatesThatAreNotDatesBecomeTodayAndAreLoggedWithinLimits) {
  std::vector<std::vector<std::string>> records;
  for (int i = 0; i < 13; ++i) {
    records.push_back(recordLines("p" + std::to_string(i) + "@x.com", "P", "31.12.2025"));
  }
  records.push_back(recordLines("ok@x.com", "Ok", "Dec 24, 2025"));
  writeSubscribers(concat(records));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  ASSERT_EQ(table.size(), 14u);
  EXPECT_EQ(table.signup(0), clock.today());
  EXPECT_EQ(table.signup(13), (store::Date{2025, 12, 24}));
  std::vector<std::string> log = logLines();
  ASSERT_THAT(log, SizeIs(12));
  EXPECT_THAT(log[0], HasSubstr("Line 3: the sign-up date \"31.12.2025\" is not a date"));
  EXPECT_THAT(log[10], HasSubstr("13 sign-up dates"));
  EXPECT_THAT(log[11], HasSubstr("was damaged"));
}

// What the table reads of a PMF string of any shape, and that saving writes it back unchanged:
// a canonical string is packed again from its items, any other is kept as it came.
TEST_F(SubscriberFileTest, PmfStringsOfAnyShapeAreSavedBackUnchanged) {
  auto free = [](int n) {
    std::string items;
    for (int i = 0; i < n; ++i) items += store::kFreePmfItem;
    return items;
  };
  struct Shape {
    std::string pmf;
    bool canonical;
    std::string fields;  // the named slots as position:name=value
  };
  const std::vector<Shape> shapes = {
      {"", false, ""},  // hand-added subscriber
      {"no separators at all", false, ""},
      {free(41), true, ""},
      {"email[/\\]a@x.com[\\/]" + free(40), true, "0:email=a@x.com "},
      // A free slot between filled ones does not end the fields.
      {"email[/\\]a[\\/]" + free(1) + "city[/\\]Oslo[\\/]" + free(38), true,
       "0:email=a 2:city=Oslo "},
      {"[/\\]nameless[\\/]" + free(40), true, "0:=nameless "},
      {free(40), false, ""},
      {"email[/\\]a@x.com[\\/]" + free(40) + "x[/\\]y[\\/]", false, "0:email=a@x.com "},
      {"email[/\\]a@x.com[\\/]", false, "0:email=a@x.com "},
      {"email[\\/]" + free(40), false, "0:email= "},       // item without "[/\]"
      {"_[/\\]lost?[\\/]" + free(40), false, ""},          // free item with a value
      {"e[/\\]v[/\\]w[\\/]" + free(40), false, "0:e=v "},  // a second "[/\]"
      {"email[/\\]a@x.com[\\/]" + free(40) + "tail", false, "0:email=a@x.com "},
  };
  std::vector<std::vector<std::string>> records;
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    records.push_back(recordLines("p" + std::to_string(i) + "@x.com", "P", "12/5/2026", "true",
                                  "Filter_1", shapes[i].pmf));
  }
  const std::vector<std::string> lines = concat(records);
  writeSubscribers(lines);
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  ASSERT_EQ(table.size(), shapes.size());
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    SCOPED_TRACE(shapes[i].pmf);
    EXPECT_EQ(table.record(i).keepsOwnPmf(), !shapes[i].canonical);
    store::FieldTable fields = table.personalFields(i);
    std::string named;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (fields[k].name == store::kFreeFieldName) continue;
      named += std::to_string(k) + ":" + fields[k].name + "=" + fields[k].value + " ";
    }
    EXPECT_EQ(named, shapes[i].fields);
  }
  table.setChanged();
  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_EQ(readBytes(subscriberPath()), crlf(lines));
}

TEST_F(SubscriberFileTest, NonUtf8LinesLongLinesAndAByteOrderMarkLoad) {
  std::string longName(1 << 20, 'n');
  std::string longPmf = "big[/\\]" + std::string(1 << 20, 'v') + "[\\/]";
  auto longRecord = recordLines("long@x.com", longName, "12/5/2026", "true", "Filter_1", longPmf);
  writeBytes(subscriberPath(),
             "\xEF\xBB\xBF" + crlf(concat({recordLines("caf\xE9@x.com", "Jos\xE9"), longRecord})));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  table.setChanged();
  ASSERT_TRUE(file.Save_Email(table));  // what was read, as UTF-8
  EXPECT_EQ(savedLines(), concat({recordLines("caf\xC3\xA9@x.com", "Jos\xC3\xA9"), longRecord}));
  EXPECT_EQ(ui.lastProgress, ui.progressMaximum);
  EXPECT_TRUE(ui.progressHidden);
}

TEST_F(SubscriberFileTest, AFailedSaveKeepsTheFileAndStopsTheLoadThatWouldDropChanges) {
  writeSubscribers(recordLines("ann@x.com", "Ann"));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  table.setName(0, "Changed");
  std::filesystem::create_directory(subscriberPath().string() + ".bac");
  std::filesystem::create_directory(subscriberPath().string() + ".bac/blocker");
  EXPECT_FALSE(file.LoadSubscriberFile(table));
  EXPECT_EQ(table.record(0).name(), "Changed");
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(savedLines()[1], "Ann");
  ASSERT_THAT(logLines(), SizeIs(1));
  EXPECT_THAT(logLines()[0], HasSubstr("Save_Email:12/5/2026"));
}

// The desktop program writes saves on a worker while the table goes on changing: a save
// writes the table as it was when the save began, changes made meanwhile stay pending, and a
// save started during another one reaches the disk after it.
TEST_F(SubscriberFileTest, SavesWriteASnapshotOffThreadInTheOrderTheyBegan) {
  writeSubscribers(concat({recordLines("ann@x.com", "Ann"), recordLines("bob@x.com", "Bob")}));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  int saves = 0;
  file.setWriteRunner([&](const std::function<void()>& write) {
    std::thread worker(write);
    if (++saves == 1) {
      // Handled while the first save writes: a change, and a second save of it.
      table.setName(0, "Ann Meanwhile");
      table.markDeleted(1);
      EXPECT_TRUE(file.Save_Email(table));
    }
    worker.join();
  });
  table.setName(0, "Ann First");
  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_EQ(saves, 2);
  EXPECT_FALSE(table.changed());
  std::vector<std::string> lines = savedLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[1], "Ann Meanwhile");

  // A change made while the only save writes is not counted as saved.
  file.setWriteRunner([&](const std::function<void()>& write) {
    table.setName(0, "Ann Later");
    write();
  });
  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(savedLines()[1], "Ann Meanwhile");
  file.setWriteRunner({});
  ASSERT_TRUE(file.Save_Email(table));
  EXPECT_EQ(savedLines()[1], "Ann Later");
  EXPECT_TRUE(logLines().empty());
}

TEST_F(SubscriberFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  // Reading the memory file at offset 0 fails with an input/output error.
  std::filesystem::create_symlink("/proc/self/mem", subscriberPath());
  EXPECT_FALSE(file.LoadSubscriberFile(table));
  EXPECT_TRUE(table.saveBlocked());
  table.add(subscriber("new@x.com"));
  EXPECT_FALSE(file.Save_Email(table));
  EXPECT_TRUE(std::filesystem::is_symlink(subscriberPath()));
  EXPECT_THAT(logLines().back(), HasSubstr("not overwritten"));
  std::filesystem::remove(subscriberPath());
  writeSubscribers(recordLines("ann@x.com", "Ann"));
  ASSERT_TRUE(file.LoadSubscriberFile(table));
  EXPECT_FALSE(table.saveBlocked());
  EXPECT_EQ(table.record(0).email(), "ann@x.com");
}

TEST_F(SubscriberFileTest, EmailAddyExistReadsTheFileWithoutRegardToCase) {
  std::string title = addFilter();
  writeSubscribers(concat({recordLines("ann@x.com", "Ann", "12/5/2026", "true", "filter_1"),
                           recordLines("bob@x.com", "Bob", "12/5/2026", "true", "Other")}));
  EXPECT_TRUE(file.EmailAddyExist("ANN@X.COM", title));
  EXPECT_FALSE(file.EmailAddyExist("bob@x.com", title));
  EXPECT_FALSE(file.EmailAddyExist("cid@x.com", title));
  EXPECT_TRUE(file.EmailAddyExist("cid@x.com", "No Such Filter"));
  std::filesystem::remove(subscriberPath());
  EXPECT_FALSE(file.EmailAddyExist("ann@x.com", title));
}

TEST(SubscriberTable, AddReusesThePlaceholderAndKeepsEveryTextOnOneLine) {
  store::SubscriberTable table;
  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(table.size(), 1u);
  store::SubscriberData d = subscriber("a@x.com", "Ann\r\nSmith");
  d.pmf = "note[/\\]two\nlines[\\/]";
  EXPECT_EQ(table.add(d), 0u);
  EXPECT_FALSE(table.isEmpty());
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(table.record(0).name(), "Ann Smith");
  EXPECT_EQ(table.pmf(0), "note[/\\]two lines[\\/]");
  EXPECT_EQ(table.add(subscriber("b@x.com")), 1u);
  EXPECT_EQ(table.size(), 2u);
}

TEST(SubscriberTable, PersonalFieldsTakeFlagsCaptionsAndDisplayNameFromTheRecordsFilter) {
  // "city" sits after a free slot of the filter and is still found.
  auto filter = makeFilter("Filter_1", "email:Email Address:on,name:Name:off,_::off,city:City:on,");
  store::SubscriberData d = subscriber("a@x.com");
  d.pmf = pmfOf({{"email", "a@x.com"}, {"name", "Ann"}, {"zip", "0150"}, {"city", "Oslo"}});
  store::SubscriberTable table = makeTable({d, subscriber("b@x.com", "B", "Gone")}, {filter});
  store::FieldTable fields = table.personalFields(0);
  EXPECT_TRUE(fields[0].active);
  EXPECT_EQ(fields[0].caption, "Email Address");
  EXPECT_EQ(fields[0].inputName, "input1");
  EXPECT_FALSE(fields[1].active);
  EXPECT_EQ(fields[2].name, "zip");
  EXPECT_FALSE(fields[2].active);
  EXPECT_TRUE(fields[3].active);
  EXPECT_EQ(fields[3].value, "Oslo");
  EXPECT_EQ(fields[4].name, store::kFreeFieldName);
  EXPECT_EQ(table.displayName(0), "Filter_1 List");
  EXPECT_EQ(table.displayName(1), "");
  EXPECT_EQ(table.filterOf(1), nullptr);
}

class SendJournalTest : public SubscriberFixture {
 protected:
  std::filesystem::path sentPath() const { return folder / "Gold.sent"; }
  std::filesystem::path foldingPath() const { return folder / "Gold.sent.folding"; }
  store::SendJournal& journal() { return store::SendJournal::forSubscriberFile(subscriberPath()); }
  // The sent lists of all records, joined by "|".
  std::string sentLists() const {
    std::string lists;
    for (store::Position p = 0; p < table.size(); ++p)
      lists += (p ? "|" : "") + std::string(table.record(p).sentList());
    return lists;
  }
};

TEST_F(SendJournalTest, LinesReachTheRightRecordsOnceEach) {
  const std::string ann = "ann@x.com", bob = "bob@x.com";
  auto line = [](const std::string& a, const std::string& t) {
    return a + "\t" + t + "\t12/5/2026\t9:00:00 AM";
  };
  struct Case {
    std::string what;
    std::vector<std::string> folding, sent;
    std::string expected;  // sent lists of ann/Filter_1, ann/Filter_2, bob
  };
  const std::vector<Case> cases = {
      {"the newsletter's own list only", {}, {line(ann, "Welcome")}, "none|Welcome[\\?]|none"},
      {"an unknown title: each of its records", {}, {line(ann, "Old")}, "Old[\\?]|Old[\\?]|none"},
      {"folding first, then sent, each title once",
       {line(bob, "Tips")},
       {line(bob, "Tips"), line(bob, "Welcome")},
       "none|none|Tips[\\?]Welcome[\\?]"},
      {"a torn last line and unknown addresses change nothing",
       {},
       {line("zed@x.com", "Tips"), bob + "\tTips", bob + "\tTips\t12/5/2026"},
       "none|none|none"},
      {"a title with a TAB", {}, {line(bob, "A\tB")}, "none|none|A\tB[\\?]"},
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
