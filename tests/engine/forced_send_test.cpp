#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/forced_send.h"
#include "engine/rule_line.h"
#include "engine_fixture.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

using ::testing::ElementsAre;

class ForcedSend : public EngineFixture {
 protected:
  ForcedSend() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
    other = addSignupFilter({engine::makeRuleLine("Subject", "Has", "other", "")});
    newsletter = addNewsletter(list, "5", "Now ~name~");
    table.add(subscriber("ann@x.com", "Ann", other));
    table.add(subscriber("off@x.com", "Off", list, "false"));
    table.clearChanged();
  }
  std::string list, other;
  int newsletter = 0;
};

TEST_F(ForcedSend, RowRangeRunsUpwardOrDownward) {
  EXPECT_THAT(engine::forcedSendRows(5, 2), ElementsAre(2, 3, 4, 5));
  EXPECT_THAT(engine::forcedSendRows(3, 3), ElementsAre(3));
}

TEST_F(ForcedSend, SendsWhateverTheScheduleAndListsTheTitleOnce) {
  engine().forcedSend({0, 1}, newsletter);
  ASSERT_EQ(server.sent.size(), 1u);                    // the inactive subscriber is skipped
  EXPECT_EQ(server.sent[0].fromName, other + " List");  // the subscriber's own list
  engine().forcedSend({0}, newsletter);
  EXPECT_EQ(server.sent.size(), 2u);
  EXPECT_EQ(std::string(table.record(0).sentList()), "New Newsletter #1[\\?]");
  EXPECT_EQ(engine().counters().sentToday, 2);
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(store::readLines(folder / "activity.log").size(), 2u);
}

TEST_F(ForcedSend, ThreeTriesThenTheFailureLog) {
  server.refuseSends = 2;
  engine().forcedSend({0}, newsletter);
  EXPECT_EQ(server.sent.size(), 1u);  // the third try went through

  server.refuseSends = 3;
  engine().forcedSend({0}, newsletter);
  EXPECT_EQ(server.sent.size(), 1u);
  auto unsent = store::readLines(folder / "unsent.log");
  ASSERT_EQ(unsent.size(), 1u);
  EXPECT_EQ(unsent[0], "message fail:\tann@x.com\tNew Newsletter #1\t12/5/2026\t1:02:03 PM");
}

TEST_F(ForcedSend, UnknownNewsletterIsReportedNotSent) {
  engine().forcedSend({0}, 99);
  EXPECT_TRUE(server.sent.empty());
  EXPECT_EQ(logLines().back().rfind("ForcedSend ", 0), 0u);
}

}  // namespace
}  // namespace tidewell::testing
