#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/rule_line.h"
#include "engine/seen_uidl_store.h"
#include "engine_fixture.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

using ::testing::ElementsAre;

class CheckCycle : public EngineFixture {
 protected:
  CheckCycle() { list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")}); }
  std::vector<std::string> seen() { return engine::loadSeenUidls(engine().seenStorePath()); }
  std::string list;
};

TEST_F(CheckCycle, PlainSignUpIsCapturedAndGetsTheDayZeroNewsletterInTheSameCycle) {
  addNewsletter(list, "0", "<html>Dear ~name~, welcome ~email~</html>", "Hi ~name~");
  deliver(message("ann@example.com", "Ann Lee", "please join", "hello"));
  deliver(message("bob@example.com", "", "join", "hello"));
  deliver(message("carl@example.com", "Carl", "unrelated", "hello"));

  engine().cmdCheckMail_click();

  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.record(0).email(), "ann@example.com");
  EXPECT_EQ(table.record(0).name(), "Ann Lee");
  EXPECT_EQ(table.record(1).name(), "bob@example.com");  // no display name: the address
  EXPECT_EQ(table.filterTitle(0), list);
  EXPECT_EQ(table.active(0), "true");
  EXPECT_EQ(table.signup(0), clock.today());
  EXPECT_EQ(table.pmf(0).rfind("email[/\\]ann@example.com[\\/]name[/\\]Ann Lee[\\/]", 0), 0u);

  ASSERT_EQ(server.sent.size(), 2u);
  const auto& m = server.sent[0];
  EXPECT_EQ(m.toAddress, "ann@example.com");
  EXPECT_EQ(m.toName, "Ann Lee");
  EXPECT_EQ(m.subject, "Hi Ann Lee");
  EXPECT_EQ(m.body, "<html>Dear Ann Lee, welcome ann@example.com</html>");
  EXPECT_TRUE(m.html);
  EXPECT_EQ(m.fromAddress, "list@example.com");
  EXPECT_EQ(m.replyTo, "reply@example.com");
  EXPECT_EQ(m.fromName, list + " List");
  EXPECT_EQ(std::string(table.record(0).sentList()), "New Newsletter #1[\\?]");
  EXPECT_EQ(engine().counters().sentToday, 2);

  // Saved before the messages were marked seen; all three are seen now.
  EXPECT_EQ(savedLines().size(), 16u);
  EXPECT_THAT(seen(), ElementsAre("uidl-1", "uidl-2", "uidl-3"));
  auto activity = store::readLines(folder / "activity.log");
  ASSERT_EQ(activity.size(), 3u);  // two sends, then the message no rule read
  EXPECT_EQ(activity[0],
            "message sent:\tann@example.com\tNew Newsletter #1\t12/5/2026\t1:02:03 PM");
  EXPECT_EQ(activity[2], "messages not read:\t1\t\"unrelated\"\t12/5/2026\t1:02:03 PM");

  EXPECT_THAT(
      ui.statuses,
      ::testing::IsSupersetOf({"Logging into Pop3...", "Downloading New Emails...",
                               "New messages Downloaded. Processing...",
                               "Processing Outgoing Messages...", "New messages have been sent!"}));
  auto at = [&](const std::string& s) {
    return std::find(ui.statuses.begin(), ui.statuses.end(), s) - ui.statuses.begin();
  };
  EXPECT_LT(at("Logging into Pop3..."), at("Downloading New Emails..."));
  EXPECT_LT(at("Downloading New Emails..."), at("New messages Downloaded. Processing..."));
  EXPECT_LT(at("New messages Downloaded. Processing..."), at("Processing Outgoing Messages..."));
  EXPECT_EQ(ui.statuses.back(), "New messages have been sent!");
}

TEST_F(CheckCycle, SecondCycleDownloadsNothingAndSendsNothingTwice) {
  addNewsletter(list, "0", "Hello ~name~");
  deliver(message("ann@example.com", "Ann", "join", ""));
  engine().cmdCheckMail_click();
  ui.statuses.clear();

  engine().cmdCheckMail_click();

  EXPECT_EQ(server.sent.size(), 1u);
  EXPECT_EQ(table.size(), 1u);
  EXPECT_THAT(ui.statuses, ::testing::Contains("No New Messages"));
  EXPECT_EQ(ui.statuses.back(), "No new messages sent.");
  // The same sign-up again is ignored: the sender is already on the list.
  deliver(message("ann@example.com", "Ann", "join", ""));
  engine().cmdCheckMail_click();
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(server.sent.size(), 1u);
}

TEST_F(CheckCycle, WebFormSignUpTakesAddressNameAndFieldsFromTheMarkers) {
  profile.UpdateFile_new(filters().back().indexNumber, "toname", "Friend ~email~");
  profile.UpdateFile_new(filters().back().indexNumber, "confirm", "none");  // active at once
  table.setFilterList(filters());
  deliver(message("forms@web.example", "Form Mailer", "join",
                  "@@@input1@@@= zoe@example.com =@@@input1@@@\r\n"
                  "@@@input2@@@=Zoe Park=@@@input2@@@\r\n"));
  deliver(message("forms@web.example", "Form Mailer", "join now",
                  "@@@input1@@@=yan@example.com=@@@input1@@@"));

  engine().cmdCheckMail_click();

  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.record(0).email(), "zoe@example.com");
  EXPECT_EQ(table.record(0).name(), "Zoe Park");
  EXPECT_EQ(table.pmf(0).rfind("email[/\\]zoe@example.com[\\/]name[/\\]Zoe Park[\\/]", 0), 0u);
  // Without a name field the name comes from the filter's template, filled from the form.
  EXPECT_EQ(table.record(1).email(), "yan@example.com");
  EXPECT_EQ(table.record(1).name(), "Friend yan@example.com");
}

TEST_F(CheckCycle, EarlyEndsSendNothing) {
  addNewsletter(list, "All", "Hi");
  table.add(subscriber("ann@example.com", "Ann", list));
  settings.pop_port = "!";
  engine().cmdCheckMail_click();
  EXPECT_EQ(ui.statuses.back(), "Pop3 Port is not set up correctly!");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Pop3 Port is not set up correctly");

  settings.pop_port = "110";
  server.refuseLogin = true;
  engine().cmdCheckMail_click();
  EXPECT_EQ(ui.statuses.back(),
            "Problems logging into Pop3: the account name or password was refused. Check Server "
            "Settings");
  EXPECT_TRUE(server.sent.empty());
  ASSERT_FALSE(logLines().empty());
  EXPECT_NE(logLines().back().find("Authentication failed"), std::string::npos);
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

TEST_F(CheckCycle, DeleteFalseKeepsMessagesAndClearPopHistoryForgetsThem) {
  deliver(message("a@x.com", "", "join", ""));
  engine().cmdCheckMail_click();
  EXPECT_TRUE(server.deleted.empty());
  EXPECT_EQ(server.mailbox.size(), 1u);
  EXPECT_TRUE(engine().clearPopHistory());
  EXPECT_TRUE(seen().empty());
}

TEST_F(CheckCycle, UnreadableMessageIsLoggedAndTheRestProcessed) {
  mail::IncomingMessage broken = message("x@x.com", "", "join", "");
  broken.parseError = "no boundary";
  deliver(broken);
  deliver(message("ann@example.com", "Ann", "join", ""));
  engine().cmdCheckMail_click();
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(logLines().back().rfind("ListMessages ", 0), 0u);
  EXPECT_NE(logLines().back().find("no boundary"), std::string::npos);
}

}  // namespace
}  // namespace tidewell::testing
