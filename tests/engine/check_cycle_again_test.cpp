// Messages read a second time, because the cycle that read them first could not save (or was
// killed before it marked them seen), change nothing twice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/bounce_counts.h"
#include "engine/rule_line.h"
#include "engine/seen_uidl_store.h"
#include "engine_fixture.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

using ::testing::ElementsAre;

class CheckCycleAgain : public EngineFixture {};

TEST_F(CheckCycleAgain, AFailedSaveBringsTheMessagesBackButTheirSignUpsAndReportsCountOnce) {
  std::string list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
  table.add(subscriber("bob@example.com", "Bob", list));
  table.clearChanged();
  deliver(message("ann@example.com", "Ann", "join", ""));
  mail::IncomingMessage report = message("mailer-daemon@example.com", "", "Undelivered", "");
  report.deliveryStatus =
      "Reporting-MTA: dns; mx\r\n\r\nFinal-Recipient: rfc822; bob@example.com\r\n"
      "Action: failed\r\nStatus: 4.2.2\r\n";
  deliver(report);

  table.setSaveBlocked(true);
  engine().cmdCheckMail_click();
  EXPECT_TRUE(engine::loadSeenUidls(engine().seenStorePath()).empty());

  table.setSaveBlocked(false);
  engine().cmdCheckMail_click();
  EXPECT_EQ(table.size(), 2u);
  EXPECT_THAT(engine::loadSeenUidls(engine().seenStorePath()), ElementsAre("uidl-1", "uidl-2"));
  EXPECT_THAT(store::readLines(engine::BounceCounts::pathFor(profilePath)),
              ElementsAre("bob@example.com\t1\t12/5/2026\t12/5/2026\t12/5/2026"));
}

}  // namespace
}  // namespace tidewell::testing
