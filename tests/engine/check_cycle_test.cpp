// Check cycles against the in-memory mail server: what a cycle captures, sends, logs and marks
// seen, how it ends on faults; failure reports: status codes, who is switched off and why.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/bounce_class.h"
#include "engine/bounce_counts.h"
#include "engine/bounce_handling.h"
#include "engine/report_text.h"
#include "engine/rule_line.h"
#include "engine/seen_uidl_store.h"
#include "engine/verp_tag.h"
#include "engine_fixture.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

using engine::BounceClass;
using engine::ExtractLabeledValue;
using engine::SubscriberIndex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class CheckCycle : public EngineFixture {
 protected:
  CheckCycle() { list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")}); }
  std::vector<std::string> seen() { return engine::loadSeenUidls(engine().seenStorePath()); }
  std::vector<std::string> activity() const { return store::readLines(folder / "activity.log"); }
  // A delivery failure report as the mail client hands it over.
  mail::IncomingMessage report(const std::string& recipient, const std::string& action,
                               const std::string& status, const std::string& to = "") {
    mail::IncomingMessage m = message("mailer-daemon@mx.example.org", "", "Undelivered", "");
    m.messageId = "r" + m.uidl + "@mx";
    m.headers = {{"From", "mailer-daemon@mx.example.org"},
                 {"To", to.empty() ? "list@example.com" : to}};
    m.deliveryStatus = "Reporting-MTA: dns; mx\r\n\r\nFinal-Recipient: rfc822; " + recipient +
                       "\r\nAction: " + action + "\r\nStatus: " + status;
    return m;
  }
  std::string list;
};

TEST_F(CheckCycle, SignUpIsCapturedSavedAndGetsTheDayZeroNewsletterInTheSameCycle) {
  addNewsletter(list, "0", "<html>Dear ~name~, welcome ~email~</html>", "Hi ~name~");
  cycle({message("ann@example.com", "Ann Lee", "please join", "hello"),
         message("bob@example.com", "", "join", "hello"),
         message("carl@example.com", "Carl", "unrelated", "hello")});

  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(rowOf(table, 0),
            "ann@example.com|Ann Lee|12/5/2026|true|" + list + "|New Newsletter #1[\\?]");
  EXPECT_EQ(table.record(1).name(), "bob@example.com");  // no display name: the address
  EXPECT_EQ(table.pmf(0).rfind("email[/\\]ann@example.com[\\/]name[/\\]Ann Lee[\\/]", 0), 0u);

  ASSERT_EQ(server.sent.size(), 2u);
  const auto& m = server.sent[0];
  EXPECT_EQ(m.toAddress + "|" + m.toName + "|" + m.subject, "ann@example.com|Ann Lee|Hi Ann Lee");
  EXPECT_EQ(m.body, "<html>Dear Ann Lee, welcome ann@example.com</html>");
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
  for (const auto& s : ui.statuses)
    if (s.find("...") != std::string::npos && s.rfind("Sent", 0) != 0) steps.push_back(s);
  EXPECT_THAT(steps, ElementsAre("Logging into Pop3...", "Downloading New Emails...",
                                 "New messages Downloaded. Processing...",
                                 "Processing Outgoing Messages...", "Sending..."));
  EXPECT_EQ(ui.statuses.back(), "New messages have been sent!");
}

TEST_F(CheckCycle, SecondCycleDownloadsAndSendsNothingUntilThePopHistoryIsCleared) {
  addNewsletter(list, "0", "Hello ~name~");
  cycle({message("ann@example.com", "Ann", "join", "")});
  ui.statuses.clear();
  engine().cmdCheckMail_click();
  EXPECT_EQ(server.sent.size(), 1u);
  EXPECT_THAT(ui.statuses, ::testing::Contains("No New Messages"));
  EXPECT_EQ(ui.statuses.back(), "No new messages sent.");
  // With deleting off the message stays on the server; clearing the history reads it again,
  // and the sender already on the list is not signed up twice.
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
  // Pop port, SMTP port, log-in refused, a sending pass rather than a cycle, what is told.
  const std::tuple<std::string, std::string, bool, bool, std::string> cases[] = {
      {"!", "25", false, false, "Pop3 Port is not set up correctly"},
      {"abc", "25", false, false, "Pop3 port is not a number"},
      {"110", "twenty-five", false, true, "SMTP port is not a number"},
      {"110", "25", true, false, "Authentication failed"},
  };
  for (const auto& [popPort, smtpPort, refuseLogin, pass, expected] : cases) {
    SCOPED_TRACE(expected);
    settings.pop_port = popPort;
    settings.smtp_port = smtpPort;
    server.refuseLogin = refuseLogin;
    if (pass) {
      EXPECT_FALSE(engine().VBSendMessage());
    } else {
      engine().cmdCheckMail_click();
    }
    const std::string told = popPort == "!" ? ui.messages.at(0).text : logLines().back();
    EXPECT_THAT(told, HasSubstr(expected));
    EXPECT_TRUE(server.sent.empty());
  }
  EXPECT_EQ(ui.messages.size(), 1u);  // only the unset port asks for the operator
  EXPECT_THAT(ui.statuses.back(), HasSubstr("Pop3: the account name or password was refused"));
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
}

// Messages read again after a failed save (or a kill before they were marked seen) count once.
TEST_F(CheckCycle, AFailedSaveBringsTheMessagesBackButTheirSignUpsAndReportsCountOnce) {
  table.add(subscriber("bob@example.com", "Bob", list));
  table.clearChanged();
  table.setSaveBlocked(true);
  cycle({message("ann@example.com", "Ann", "join", ""),
         report("bob@example.com", "failed", "4.2.2")});
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
  deliver(report("gone@example.com", "failed", "5.1.1"));
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
  cycle({message("other@example.com", "", "join", "")});
  EXPECT_EQ(activity().size(), 1u);
  EXPECT_EQ(table.size(), 3u);
}

TEST(BounceClass, StatusCodeIsTheFirstEnhancedCodeAndOnlyAddressFailuresArePermanent) {
  const std::pair<const char*, const char*> cases[] = {
      {"452 4.2.2 mailbox full, limit 5500 MB", "4.2.2"},
      {"host 10.2.3.4 said: 550 no such user", "550"},  // an IP address is no code
      {"Sorry, no mailbox here by that name. (#5.1.1)", "5.1.1"},
      {"550 5.7.26 DMARC policy", "5.7.26"},
      {"version 2.10.1.4 of the server", ""},
      {"limit 5500 MB, 12345 bytes", ""},
      {"421-4.7.0 try later", "4.7.0"},
      {"", ""}};
  for (auto [text, code] : cases) EXPECT_EQ(engine::findStatusCode(text), code) << text;

  const std::tuple<const char*, const char*, bool, BounceClass> classes[] = {
      {"5.1.1", "", false, BounceClass::kPermanent},
      {"5.2.1", "account disabled", false, BounceClass::kPermanent},
      {"5.5.0", "mailbox unavailable", false, BounceClass::kPermanent},
      {"5.5.0", "rejected as spam", false, BounceClass::kPolicy},
      {"5.7.1", "user unknown", false, BounceClass::kPolicy},
      {"5.7.26", "", false, BounceClass::kPolicy},
      {"5.2.2", "", false, BounceClass::kTemporary},
      {"4.2.2", "user unknown", false, BounceClass::kTemporary},
      {"5.1.1", "", true, BounceClass::kTemporary},  // a delay report is never final
      {"5.0.0", "no such user here", false, BounceClass::kPermanent},
      {"5.0.0", "", false, BounceClass::kUnknown},
      {"5.4.6", "routing loop", false, BounceClass::kUnknown},
      {"550", "requested action not taken", false, BounceClass::kUnknown},
      {"552", "mailbox over quota", false, BounceClass::kTemporary},
      {"451", "", false, BounceClass::kTemporary},
      {"554", "your ip is listed at zen.spamhaus.org", false, BounceClass::kPolicy},
      {"", "the address does not exist", false, BounceClass::kPermanent},
      {"", "will retry for 5 days", false, BounceClass::kTemporary},
      {"", "hello", false, BounceClass::kUnknown}};
  for (const auto& [status, text, delayed, expected] : classes)
    EXPECT_EQ(engine::classifyFailure(status, text, delayed), expected) << status << " " << text;
}

TEST(ReportText, AddressesReportFieldValuesAndLabeledValues) {
  auto found = engine::addressesIn("to <Ann.Lee@Example.org>, bob@x.co. and ann@localhost ok@.x");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].address + " " + found[1].address, "Ann.Lee@Example.org bob@x.co");
  EXPECT_EQ(engine::addressOfField("rfc822; <Ann@Example.org>"), "ann@example.org");
  EXPECT_EQ(engine::addressOfField("RFC822;bob@x.co"), "bob@x.co");
  EXPECT_EQ(engine::addressOfField("x400; /C=US/S=Ann/"), "");
  EXPECT_EQ(engine::addressOfField("rfc822; ann@x.co bob@x.co"), "");
  // A labelled value is the trimmed text after the label up to the terminator.
  const std::string text = "X: 1\r\nACTION:  failed \r\nFINAL-RECIPIENT: RFC822; <A@B.C> x\r\n";
  EXPECT_EQ(ExtractLabeledValue(text, "ACTION:", ""), "failed");
  EXPECT_EQ(ExtractLabeledValue("ACTION: failed\nNEXT", "ACTION:", ""), "failed");
  EXPECT_EQ(ExtractLabeledValue(text, "FINAL-RECIPIENT:", ">"), "A@B.C");
  EXPECT_EQ(ExtractLabeledValue("TO: <  a@b.c >", "TO:", ">"), "a@b.c");
  EXPECT_EQ(ExtractLabeledValue(text, "STATUS:", ""), "");
  EXPECT_EQ(ExtractLabeledValue("ACTION: failed", "ACTION:", ""), "");
  EXPECT_EQ(ExtractLabeledValue("X: <a> Y: b", "Y:", ">"), "");  // terminator before the label
}

TEST(VerpTag, TagOfTheLowerCaseAddressAndItsReturnPath) {
  EXPECT_EQ(engine::verpTag("ann@example.com"), "b.ohkpkx3s7iji362g");
  EXPECT_EQ(engine::verpTag("Ann@Example.COM"), "b.ohkpkx3s7iji362g");
  EXPECT_EQ(engine::verpTag("bob@example.com"), "b.l74gbpyrsbmwy4mi");
  EXPECT_EQ(engine::verpSender("list@example.com", "ann@example.com"),
            "list+b.ohkpkx3s7iji362g@example.com");
  EXPECT_EQ(engine::verpSender("nodomain", "ann@example.com"), "nodomain");
  EXPECT_EQ(engine::tagOf("LIST+b.ohkpkx3s7iji362g@Example.com", "list@example.com"),
            "b.ohkpkx3s7iji362g");
  for (const char* other : {"list@example.com", "other+b.ohkpkx3s7iji362g@example.com",
                            "list+b.ohkpkx3s7iji362g@example.org", "list+b.short@example.com"})
    EXPECT_EQ(engine::tagOf(other, "list@example.com"), std::nullopt) << other;
}

// Reports as the mail client hands them over: the delivery-status part already cut out.
class Bounces : public CheckCycle {
 protected:
  Bounces() {
    other = addSignupFilter({engine::makeRuleLine("Subject", "Has", "vip", "")});
    table.add(subscriber("ann@example.com", "Ann", list));
    table.add(subscriber("Ann@Example.com", "Ann", other));
    table.add(subscriber("bob@example.com", "Bob", list));
    table.clearChanged();
  }
  std::vector<std::string> deactivated() const { return readLines(folder / "deactivated.log"); }
  std::vector<std::string> counts() const {
    return readLines(engine::BounceCounts::pathFor(profilePath));
  }
  std::string other;
};

TEST_F(Bounces, OnlyAPermanentFailureSwitchesOffAtOnceInEveryListIgnoringCase) {
  m_engine = makeEngine(runner, trap, false);  // the Filters block's "deactivate" is off
  cycle({report("bob@example.com", "failed", "5.1.1")});
  EXPECT_EQ(actives(), "TTT");
  m_engine.reset();
  // Sender refusals, delays, deliveries, auto-replies and reports naming nobody are only logged.
  cycle({report("bob@example.com", "failed", "5.7.1"),
         report("bob@example.com", "delayed", "4.4.7"),
         report("ann@example.com", "delivered", "2.0.0"),
         message("bob@example.com", "Bob", "Out of Office: news", "back on Monday"),
         message("postmaster@example.org", "", "Undeliverable",
                 "Your message could not be delivered.")});
  EXPECT_EQ(actives(), "TTT");
  EXPECT_TRUE(deactivated().empty());
  EXPECT_EQ(logged("policy failure of bob@example.com (5.7.1): nobody switched off"), 1u);
  EXPECT_EQ(logged("Automatic answer from bob@example.com: nobody switched off"), 1u);
  EXPECT_EQ(logged("unknown failure of an unreadable address"), 1u);
  EXPECT_EQ(trap.reportCount(), 0);

  auto unknownUser = report("ANN@example.com", "failed", "5.1.1");
  unknownUser.headers.clear();   // a standard report is read without its From and To
  unknownUser.subject = "join";  // a filter's rule holds, yet a report is never a sign-up
  cycle({unknownUser});
  EXPECT_EQ(actives(), "FFT");
  EXPECT_EQ(savedLines().at(4), "false");  // and saved
  auto lines = deactivated();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "12/5/2026\t1:02:03 PM\tann@example.com\t" + list +
                          "\tbounce: permanent failure\t5.1.1\truidl-7@mx");
  EXPECT_THAT(lines[1], HasSubstr("\tAnn@Example.com\t" + other + "\t"));
}

TEST_F(Bounces, StrikesOnThreeDifferentDaysSwitchOffWhateverTheServerAccepted) {
  int newsletter = addNewsletter(list, "All", "Hi");
  // Day by day: which reports about bob arrive, and bob's line afterwards ("" = no line).
  using Reports = std::vector<std::pair<std::string, std::string>>;  // action, status
  const std::vector<std::tuple<store::Date, Reports, std::string>> days = {
      {{2026, 12, 5},
       {{"failed", "4.2.2"}, {"failed", "4.4.1"}},
       "2\t12/5/2026\t12/5/2026\t12/5/2026"},
      // A relay accepting the newsletter clears nothing; delays and sender refusals are no strikes.
      {{2026, 12, 9},
       {{"delayed", "4.4.7"}, {"failed", "5.7.1"}},
       "2\t12/5/2026\t12/5/2026\t12/5/2026"},
      {{2026, 12, 12}, {{"failed", "5.0.0"}}, "3\t12/5/2026\t12/12/2026\t12/5/2026,12/12/2026"},
      {{2026, 12, 20}, {{"failed", "4.2.2"}}, ""},
  };
  for (const auto& [date, failures, line] : days) {
    clock.setToday(date);
    engine().forcedSend({2}, newsletter);
    std::vector<mail::IncomingMessage> reports;
    for (const auto& [action, status] : failures)
      reports.push_back(report("bob@example.com", action, status));
    cycle(reports);
    SCOPED_TRACE(store::shortDateText(date));
    EXPECT_EQ(counts().empty() ? "" : counts()[0], line.empty() ? "" : "bob@example.com\t" + line);
  }
  EXPECT_EQ(actives(), "TTF");
  ASSERT_EQ(deactivated().size(), 1u);
  EXPECT_THAT(deactivated()[0], HasSubstr("bounce: failures on three different days\t4.2.2"));
}

TEST_F(Bounces, AStrikeMoreThanThirtyDaysAfterTheLastStartsAgainAndOldLinesStillRead) {
  store::writeLinesDurably(engine::BounceCounts::pathFor(profilePath),
                           {"bob@example.com\t2\t11/1/2026\t11/4/2026"});
  clock.setToday({2026, 12, 4});  // 30 days after the last: still counting
  cycle({report("bob@example.com", "failed", "4.2.2")});
  EXPECT_EQ(actives(), "TTF");
  table.setActive(2, "true");
  store::writeLinesDurably(engine::BounceCounts::pathFor(profilePath),
                           {"bob@example.com\t2\t11/1/2026\t11/3/2026"});
  cycle({report("bob@example.com", "failed", "4.2.2")});  // 31 days: one again
  EXPECT_EQ(counts(),
            std::vector<std::string>{"bob@example.com\t1\t12/4/2026\t12/4/2026\t12/4/2026"});
  clock.setToday({2027, 1, 5});  // a cycle without failures drops the stale line
  cycle({message("x@example.org", "X", "hello", "hi")});
  EXPECT_TRUE(counts().empty());
}

TEST_F(Bounces, TheTaggedReturnPathGoesOutOnlyWhenSwitchedOnAndNamesTheRecipientOfAReport) {
  addNewsletter(list, "All", "Hi");
  engine().VBSendMessage();
  settings.verp = true;
  table.setSentList(0, "none");
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 3u);
  EXPECT_EQ(server.sent[0].envelopeSender, "");
  const mail::OutgoingMessage& m = server.sent[2];
  EXPECT_EQ(m.toAddress + "|" + m.envelopeSender + "|" + m.fromAddress,
            "ann@example.com|list+b.ohkpkx3s7iji362g@example.com|list@example.com");
  // A report sent back to the tag names its recipient whatever the report itself says.
  const std::string tagged = engine::verpSender("list@example.com", "bob@example.com");
  cycle({report("x400-gateway-id@relay.example", "failed", "5.1.1"),
         report("x400-gateway-id@relay.example", "failed", "5.1.1", tagged)});
  EXPECT_EQ(actives(), "TTF");
}

TEST_F(Bounces, OptOutAutoUnsubscribeAndInvalidAddressesAreLoggedToo) {
  profile.UpdateFile_new(filters().back().indexNumber, "autounsubscribe", list);
  table.setFilterList(filters());
  cycle({message("ann@example.com", "Ann", list, "please remove me @@@"),
         message("bob@example.com", "Bob", "vip", "sign me up")});
  EXPECT_EQ(actives(), "FTFT");  // bob signed up to the other list
  table.add(subscriber("no address", "Nobody", list));
  addNewsletter(list, "All", "Hi");
  engine().VBSendMessage();
  auto lines = deactivated();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_THAT(lines[0], HasSubstr("\tann@example.com\t" + list + "\topt-out\t-\t"));
  EXPECT_THAT(lines[1], HasSubstr("\tbob@example.com\t" + list + "\tauto-unsubscribe\t-\t"));
  EXPECT_THAT(lines[2], HasSubstr("\tno address\t" + list + "\tinvalid address\t-\t-"));
}

TEST(Deactivation, OptOutSwitchesOffTheExactAddressInThatListOnly) {
  store::SubscriberTable table =
      makeTable({subscriber("ann@x.com", "A", "News"), subscriber("ann@x.com", "A", "Tips"),
                 subscriber("Ann@X.com", "A", "News")});
  SubscriberIndex exact(table, SubscriberIndex::Comparison::kExact);
  EXPECT_TRUE(engine::DeactivateSubscriber(table, exact, "ann@x.com", "news").empty());
  EXPECT_FALSE(table.changed());
  EXPECT_EQ(engine::DeactivateSubscriber(table, exact, "ann@x.com", "News"),
            std::vector<store::Position>{0});
  EXPECT_EQ(table.active(1), "true");
  EXPECT_EQ(table.active(2), "true");
}

}  // namespace
}  // namespace tidewell::testing
