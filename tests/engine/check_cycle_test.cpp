// Check cycles against the in-memory mail server: what a cycle captures, sends, logs and marks
// seen, and how it ends when the server, the settings or the messages are at fault.
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
using ::testing::HasSubstr;

class CheckCycle : public EngineFixture {
 protected:
  CheckCycle() { list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")}); }
  std::vector<std::string> seen() { return engine::loadSeenUidls(engine().seenStorePath()); }
  std::vector<std::string> activity() const { return store::readLines(folder / "activity.log"); }
  std::string list;
};

TEST_F(CheckCycle, SignUpIsCapturedSavedAndGetsTheDayZeroNewsletterInTheSameCycle) {
  addNewsletter(list, "0", "<html>Dear ~name~, welcome ~email~</html>", "Hi ~name~");
  deliver(message("ann@example.com", "Ann Lee", "please join", "hello"));
  deliver(message("bob@example.com", "", "join", "hello"));
  deliver(message("carl@example.com", "Carl", "unrelated", "hello"));

  engine().cmdCheckMail_click();

  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(rowOf(table, 0),
            "ann@example.com|Ann Lee|12/5/2026|true|" + list + "|New Newsletter #1[\\?]");
  EXPECT_EQ(table.record(1).name(), "bob@example.com");  // no display name: the address
  EXPECT_EQ(table.pmf(0).rfind("email[/\\]ann@example.com[\\/]name[/\\]Ann Lee[\\/]", 0), 0u);

  ASSERT_EQ(server.sent.size(), 2u);
  const auto& m = server.sent[0];
  EXPECT_EQ(m.toAddress + "|" + m.toName + "|" + m.subject, "ann@example.com|Ann Lee|Hi Ann Lee");
  EXPECT_EQ(m.body, "<html>Dear Ann Lee, welcome ann@example.com</html>");
  EXPECT_TRUE(m.html);
  EXPECT_EQ(m.fromName + "|" + m.fromAddress + "|" + m.replyTo,
            list + " List|list@example.com|reply@example.com");
  EXPECT_EQ(engine().counters().sentToday, 2);

  // Saved before the messages were marked seen; all three are seen now.
  EXPECT_EQ(savedLines().size(), 16u);
  EXPECT_THAT(seen(), ElementsAre("uidl-1", "uidl-2", "uidl-3"));
  ASSERT_EQ(activity().size(), 3u);  // two sends, then the message no rule read
  EXPECT_EQ(activity()[0],
            "message sent:\tann@example.com\tNew Newsletter #1\t12/5/2026\t1:02:03 PM");

  // The steps are told in the order they happen.
  std::vector<std::string> steps;
  for (const auto& s : ui.statuses) {
    if (s.find("...") != std::string::npos && s.rfind("Sent", 0) != 0) steps.push_back(s);
  }
  EXPECT_THAT(steps, ElementsAre("Logging into Pop3...", "Downloading New Emails...",
                                 "New messages Downloaded. Processing...",
                                 "Processing Outgoing Messages...", "Sending..."));
  EXPECT_EQ(ui.statuses.back(), "New messages have been sent!");
}

TEST_F(CheckCycle, SecondCycleDownloadsAndSendsNothingUntilThePopHistoryIsCleared) {
  addNewsletter(list, "0", "Hello ~name~");
  deliver(message("ann@example.com", "Ann", "join", ""));
  engine().cmdCheckMail_click();
  ui.statuses.clear();

  engine().cmdCheckMail_click();

  EXPECT_EQ(server.sent.size(), 1u);
  EXPECT_THAT(ui.statuses, ::testing::Contains("No New Messages"));
  EXPECT_EQ(ui.statuses.back(), "No new messages sent.");
  // With deleting off the message stays on the server; clearing the history reads it again,
  // and the sender already on the list is not signed up twice.
  EXPECT_TRUE(server.deleted.empty());
  EXPECT_EQ(server.mailbox.size(), 1u);
  EXPECT_TRUE(engine().clearPopHistory());
  EXPECT_TRUE(seen().empty());
  engine().cmdCheckMail_click();
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(server.sent.size(), 1u);
}

TEST_F(CheckCycle, UnusableSettingsEndTheCycleOrPassSayingWhyAndSendNothing) {
  addNewsletter(list, "All", "Hi");
  table.add(subscriber("ann@example.com", "Ann", list));
  struct Case {
    std::string popPort, smtpPort;
    bool refuseLogin, pass;  // pass: a sending pass rather than a whole cycle
    std::string logged;
  } cases[] = {
      {"!", "25", false, false, "Pop3 Port is not set up correctly"},
      {"abc", "25", false, false, "Pop3 port is not a number"},
      {"110", "twenty-five", false, true, "SMTP port is not a number"},
      {"110", "25", true, false, "Authentication failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    settings.pop_port = c.popPort;
    settings.smtp_port = c.smtpPort;
    server.refuseLogin = c.refuseLogin;
    if (c.pass) {
      EXPECT_FALSE(engine().VBSendMessage());
    } else {
      engine().cmdCheckMail_click();
    }
    const std::string told = c.popPort == "!" ? ui.messages.at(0).text : logLines().back();
    EXPECT_THAT(told, HasSubstr(c.logged));
    EXPECT_TRUE(server.sent.empty());
  }
  EXPECT_EQ(ui.messages.size(), 1u);  // only the unset port asks for the operator
  EXPECT_EQ(ui.statuses.back(),
            "Problems logging into Pop3: the account name or password was refused. Check Server "
            "Settings");
  EXPECT_EQ(logLines().back().rfind("cmdCheckMail_click ", 0), 0u);
}

TEST_F(CheckCycle, BrokenDownloadMarksOnlyProcessedMessagesSeenAndDeletesNothing) {
  settings.delete_after_checking = "true";
  for (const char* who : {"a@x.com", "b@x.com", "c@x.com"}) deliver(message(who, "", "join", ""));
  server.fetchFailsAfter = 1;

  engine().cmdCheckMail_click();

  EXPECT_EQ(table.size(), 1u);
  EXPECT_THAT(seen(), ElementsAre("uidl-1"));
  EXPECT_TRUE(server.deleted.empty());
  EXPECT_NE(logLines().back().find("connection dropped"), std::string::npos);

  server.fetchFailsAfter = static_cast<std::size_t>(-1);
  engine().cmdCheckMail_click();
  EXPECT_EQ(table.size(), 3u);
  EXPECT_THAT(server.deleted, ElementsAre("uidl-2", "uidl-3"));
  EXPECT_EQ(server.mailbox.size(), 1u);
}

// Messages read a second time, because the cycle that read them first could not save (or was
// killed before it marked them seen), change nothing twice.
TEST_F(CheckCycle, AFailedSaveBringsTheMessagesBackButTheirSignUpsAndReportsCountOnce) {
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
  EXPECT_TRUE(seen().empty());

  table.setSaveBlocked(false);
  engine().cmdCheckMail_click();
  EXPECT_EQ(table.size(), 2u);
  EXPECT_THAT(seen(), ElementsAre("uidl-1", "uidl-2"));
  EXPECT_THAT(store::readLines(engine::BounceCounts::pathFor(profilePath)),
              ElementsAre("bob@example.com\t1\t12/5/2026\t12/5/2026\t12/5/2026"));
}

TEST_F(CheckCycle, OddAndUnreadableMessagesAreProcessedWithoutHarm) {
  // Rule lines without a keyword, and a filter without rules, claim nothing.
  addSignupFilter({"<1<Body>1> <2<Has>2>", "no tags at all"});
  addSignupFilter({});
  std::string huge(10 * 1024 * 1024, 'x');
  huge += "@@@";  // a marker without an input name or an end
  deliver(message("big@example.com", "", "join", huge));
  deliver(message("", "", "join", ""));  // no sender at all
  deliver(message("half@example.com", "Half", "join",
                  "@@@input2@@@=no end\r\n@@@input1@@@= x@example.com"));
  deliver(message("other@example.com", "", "hello", ""));
  mail::IncomingMessage broken = message("x@x.com", "", "join", "");
  broken.parseError = "no boundary";
  deliver(broken);

  engine().cmdCheckMail_click();

  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.record(0).email(), "big@example.com");
  // Incomplete markers give empty values: the sender's address stands in.
  EXPECT_EQ(table.record(1).email(), "half@example.com");
  // Without a sender there is no address to sign up.
  ASSERT_EQ(logLines().size(), 2u);
  EXPECT_THAT(logLines()[0], HasSubstr("not captured: Invalid Email Address! \"\" is empty"));
  EXPECT_EQ(logLines()[1].rfind("ListMessages ", 0), 0u);
  EXPECT_THAT(logLines()[1], HasSubstr("no boundary"));
}

// Messages no rule read are listed once per check cycle in activity.log, and only those.
TEST_F(CheckCycle, OneBoundedLineListsOnlyWhatNoRuleRead) {
  table.add(subscriber("ann@example.com", "Ann", list));
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
  EXPECT_EQ(activity()[0],
            "messages not read:\t12\t\"=?UTF-8?B?am9pbg?= broken by  a tab\", \"" +
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
