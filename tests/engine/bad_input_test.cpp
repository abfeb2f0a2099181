#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/rule_line.h"
#include "engine_fixture.h"

namespace tidewell::testing {
namespace {

class BadInput : public EngineFixture {
 protected:
  BadInput() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", ""),
                            "<1<Body>1> <2<Has>2>", "no tags at all"});
    addSignupFilter({});  // a filter without rules claims nothing
  }
  std::string list;
};

TEST_F(BadInput, OddMessagesAreProcessedWithoutHarm) {
  std::string huge(10 * 1024 * 1024, 'x');
  huge += "@@@";  // a marker without an input name or an end
  deliver(message("big@example.com", "", "join", huge));
  deliver(message("", "", "join", ""));                   // no sender at all
  deliver(message("plain@example.com", "", "join", ""));  // no display name
  deliver(message("half@example.com", "Half", "join",
                  "@@@input2@@@=no end\r\n@@@input1@@@= x@example.com"));
  deliver(message("other@example.com", "", "hello", ""));

  engine().cmdCheckMail_click();

  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table.record(0).email(), "big@example.com");
  EXPECT_EQ(table.record(1).name(), "plain@example.com");
  // Incomplete markers give empty values: the sender's address stands in.
  EXPECT_EQ(table.record(2).email(), "half@example.com");
  // Without a sender there is no address to sign up.
  ASSERT_EQ(logLines().size(), 1u);
  EXPECT_THAT(logLines()[0],
              ::testing::HasSubstr("not captured: Invalid Email Address! \"\" is empty"));
}

TEST_F(BadInput, UnreadableScheduleOrMissingFilesNeverStopOtherNewsletters) {
  int dated = addNewsletter(list, "0", "Dated");
  setNewsletter(dated, "dateordays", "date");  // and the date stays "date not set"
  int attached = addNewsletter(list, "All", "With a missing attachment");
  setNewsletter(attached, "attach", (folder / "gone.pdf").string() + ",");
  table.add(subscriber("ann@example.com", "Ann", list));

  engine().VBSendMessage();

  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_EQ(server.sent[0].body, "With a missing attachment");
  EXPECT_THAT(server.sent[0].attachments,
              ::testing::ElementsAre((folder / "gone.pdf").string(), ""));
  ASSERT_EQ(logLines().size(), 1u);
  EXPECT_THAT(logLines()[0], ::testing::HasSubstr("is not a date: date not set"));
}

TEST_F(BadInput, UnusablePortsAreReportedNotCrashedOn) {
  addNewsletter(list, "All", "Hi");
  table.add(subscriber("ann@example.com", "Ann", list));
  settings.smtp_port = "twenty-five";
  EXPECT_FALSE(engine().VBSendMessage());
  EXPECT_THAT(logLines().back(), ::testing::HasSubstr("SMTP port is not a number"));
  settings.pop_port = "abc";
  engine().cmdCheckMail_click();
  EXPECT_THAT(logLines().back(), ::testing::HasSubstr("Pop3 port is not a number"));
  EXPECT_TRUE(server.sent.empty());
}

}  // namespace
}  // namespace tidewell::testing
