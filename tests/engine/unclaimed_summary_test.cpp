// Messages no rule read are listed once per check cycle in activity.log, and only those.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/rule_line.h"
#include "engine_fixture.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

class UnclaimedSummary : public EngineFixture {
 protected:
  UnclaimedSummary() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
    table.add(subscriber("ann@example.com", "Ann", list));
  }
  std::vector<std::string> activity() const { return store::readLines(folder / "activity.log"); }
  std::string list;
};

TEST_F(UnclaimedSummary, OneBoundedLineListsOnlyWhatNoRuleRead) {
  deliver(message("new@example.com", "New", "join", ""));             // a sign-up
  deliver(message("ann@example.com", "Ann", "join again", ""));       // already on the list
  deliver(message("ann@example.com", "Ann", list, "remove me @@@"));  // an opt-out
  mail::IncomingMessage report = message("mailer-daemon@mx.example.org", "", "Undelivered", "");
  report.deliveryStatus =
      "Final-Recipient: rfc822; gone@example.com\r\nAction: failed\r\n"
      "Status: 5.1.1";
  deliver(report);
  mail::IncomingMessage away = message("bob@example.com", "", "Out of office", "");
  away.fullText = "Auto-Submitted: auto-replied\r\n\r\n";
  deliver(away);
  const std::string longSubject = std::string(79, 'x') + "\xc3\xa9 and more";
  deliver(message("a@example.com", "", "=?UTF-8?B?am9pbg?= broken\tby\r\na tab", ""));
  deliver(message("b@example.com", "", longSubject, ""));
  for (int i = 3; i <= 12; ++i)
    deliver(message("c@example.com", "", "hello " + std::to_string(i), ""));

  engine().cmdCheckMail_click();

  ASSERT_EQ(table.size(), 2u);
  ASSERT_EQ(activity().size(), 1u);
  const std::string line = activity()[0];
  EXPECT_EQ(line, "messages not read:\t12\t\"=?UTF-8?B?am9pbg?= broken by  a tab\", \"" +
                      std::string(79, 'x') +
                      "...\", \"hello 3\", \"hello 4\", \"hello 5\", \"hello 6\", \"hello 7\", "
                      "\"hello 8\", \"hello 9\", \"hello 10\" and 2 more\t12/5/2026\t1:02:03 PM");

  // A cycle with nothing new, or only with messages that were read, adds no line.
  engine().cmdCheckMail_click();
  deliver(message("other@example.com", "", "join", ""));
  engine().cmdCheckMail_click();
  EXPECT_EQ(activity().size(), 1u);
  EXPECT_EQ(table.size(), 3u);
}

}  // namespace
}  // namespace tidewell::testing
