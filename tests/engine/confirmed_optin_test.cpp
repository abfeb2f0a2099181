#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "consent/pending_signups.h"
#include "engine/optout_token.h"
#include "engine/rule_line.h"
#include "engine_fixture.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

const std::string kSecret = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

// Cycles of a profile with the web kit: sign-ups through the kit's form wait for confirmation.
class ConfirmedOptIn : public EngineFixture {
 protected:
  ConfirmedOptIn() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
    other = addSignupFilter({engine::makeRuleLine("Subject", "Has", "enter", "")});
    settings.webkit = "https://www.example.com/list/";
    settings.webkitkey = kSecret;
    welcome =
        profile.GetFromFile_new(addNewsletter(list, "0", "Welcome ~name~", "Welcome"), "title");
  }
  mail::IncomingMessage form(const std::string& address, const std::string& subject = "join") {
    auto m =
        message("webkit@example.com", "", subject,
                "@@@input2@@@=Zoe=@@@input2@@@\r\n@@@input1@@@=" + address +
                    "=@@@input1@@@\r\n@@@kit@@@=2=@@@kit@@@\r\n@@@ip@@@=192.0.2.7=@@@ip@@@\r\n");
    m.messageId = "signup-" + m.uidl;
    return m;
  }
  mail::IncomingMessage kitConfirmation(const std::string& address, const std::string& token,
                                        const std::string& title) {
    auto m =
        message("webkit@example.com", "", title,
                "@@@confirm@@@=" + address + "=@@@confirm@@@\r\n@@@k@@@=" + token + "=@@@k@@@\r\n");
    m.messageId = "confirm-" + m.uidl;
    return m;
  }
  std::string token(const std::string& address, const std::string& title) {
    return engine::confirmationToken(kSecret, address, title);
  }
  std::vector<consent::PendingSignup> pending() {
    consent::PendingSignups p(consent::PendingSignups::pathFor(profilePath));
    p.load();
    return p.entries();
  }
  std::vector<std::string> consentLines() { return readLines(folder / "consent.log"); }
  std::string activeOf(const std::string& address, const std::string& filter) {
    for (store::Position p = 0; p < table.size() && !table.isEmpty(); ++p) {
      if (table.record(p).email() == address && table.filterTitle(p) == filter)
        return std::string(table.active(p));
    }
    return "absent";
  }
  std::vector<std::string> subjects() {
    std::vector<std::string> s;
    for (const auto& m : server.sent) s.push_back(m.toAddress + ": " + m.subject);
    return s;
  }
  std::string list;
  std::string other;
  std::string welcome;
};

TEST_F(ConfirmedOptIn, FormSignUpGetsOneConfirmationAndBecomesSubscriberOnlyByTheLink) {
  deliver(form("zoe@example.org"));
  engine().cmdCheckMail_click();

  EXPECT_EQ(activeOf("zoe@example.org", list), "absent");
  auto waiting = pending();
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_EQ(waiting[0].ip, "192.0.2.7");
  ASSERT_EQ(server.sent.size(), 1u);
  const mail::OutgoingMessage& confirmation = server.sent[0];
  EXPECT_EQ(confirmation.toAddress, "zoe@example.org");
  EXPECT_EQ(confirmation.replyTo, "list@example.com");
  EXPECT_THAT(confirmation.subject, HasSubstr(waiting[0].code));
  EXPECT_THAT(confirmation.body,
              HasSubstr("https://www.example.com/list/c.php?t=list%40example.com&f=zoe%40example."
                        "org&s=" +
                        list + "&k=" + token("zoe@example.org", list)));

  engine().cmdCheckMail_click();  // nothing goes twice
  EXPECT_EQ(server.sent.size(), 1u);

  deliver(kitConfirmation("zoe@example.org", token("zoe@example.org", list), list));
  engine().cmdCheckMail_click();
  EXPECT_EQ(activeOf("zoe@example.org", list), "true");
  EXPECT_TRUE(pending().empty());
  ASSERT_EQ(server.sent.size(), 2u);
  EXPECT_EQ(server.sent[1].subject, "Welcome");
  auto lines = consentLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("\tzoe@example.org\t" + list +
                                  "\tform-confirmed-link\tsignup-uidl-1\tconfirm-uidl-2\t"
                                  "192.0.2.7\tbuilt-in\t"));
}

TEST_F(ConfirmedOptIn, ForgedTruncatedOrCrossFilterTokensChangeNothing) {
  deliver(form("zoe@example.org"));
  engine().cmdCheckMail_click();
  const std::string good = token("zoe@example.org", list);
  struct Attack {
    std::string address, token, title;
  } attacks[] = {
      {"zoe@example.org", "forged-token-forged-tok", list},
      {"zoe@example.org", good.substr(0, 21), list},
      {"zoe@example.org", token("zoe@example.org", other), list},
      {"zoe@example.org", good, other},
      {"eve@example.org", good, list},
      {"zoe@example.org", engine::optOutToken(kSecret, "zoe@example.org", list), list},
  };
  for (const Attack& a : attacks) deliver(kitConfirmation(a.address, a.token, a.title));
  engine().cmdCheckMail_click();

  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(pending().size(), 1u);
  EXPECT_TRUE(consentLines().empty());
  auto log = logLines();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& l) { return l.find("Confirmation of") != l.npos; }),
            6);
}

TEST_F(ConfirmedOptIn, ReplyWithTheCodeConfirmsAndAKitWithoutConfirmationPageOffersOnlyThat) {
  auto old = message("webkit@example.com", "", "join", "@@@input1@@@=ann@example.org=@@@input1@@@");
  deliver(old);
  engine().cmdCheckMail_click();
  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_THAT(server.sent[0].body, ::testing::Not(HasSubstr("c.php")));
  std::string code = pending().at(0).code;

  deliver(message("mallory@example.org", "", "Re: " + code, ""));  // the code from elsewhere
  deliver(message("ann@example.org", "Ann", "Re: Please confirm", ""));
  engine().cmdCheckMail_click();
  EXPECT_EQ(activeOf("ann@example.org", list), "absent");

  deliver(message("ann@example.org", "Ann", "RE: " + server.sent[0].subject, "yes"));
  engine().cmdCheckMail_click();
  EXPECT_EQ(activeOf("ann@example.org", list), "true");
  ASSERT_EQ(consentLines().size(), 1u);
  EXPECT_THAT(consentLines()[0], HasSubstr("\tform-confirmed-reply\t"));
}

TEST_F(ConfirmedOptIn, OneReminderThenTheSignUpIsDroppedWithALogLine) {
  deliver(form("zoe@example.org"));
  engine().cmdCheckMail_click();
  struct Day {
    store::Date date;
    std::size_t sent;
    std::size_t waiting;
  } days[] = {
      {{2026, 12, 7}, 1, 1}, {{2026, 12, 8}, 2, 1}, {{2026, 12, 12}, 2, 1}, {{2026, 12, 19}, 2, 0}};
  for (const Day& d : days) {
    clock.setToday(d.date);
    engine().VBSendMessage();
    EXPECT_EQ(server.sent.size(), d.sent) << store::shortDateText(d.date);
    EXPECT_EQ(pending().size(), d.waiting) << store::shortDateText(d.date);
  }
  EXPECT_THAT(server.sent[1].subject, HasSubstr("Reminder: "));
  EXPECT_THAT(readBytes(folder / "errlog.txt"), HasSubstr("dropped unconfirmed"));
  EXPECT_TRUE(table.isEmpty());
}

TEST_F(ConfirmedOptIn, ConfirmSettingDecidesWhoWaits) {
  struct Case {
    std::string confirm;
    bool formWaits, mailWaits;
  } cases[] = {
      {"!", true, false}, {"form", true, false}, {"all", true, true}, {"none", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.confirm);
    table = store::SubscriberTable();
    std::filesystem::remove(consent::PendingSignups::pathFor(profilePath));
    profile.UpdateFile_new(filters().front().indexNumber, "confirm", c.confirm);
    table.setFilterList(filters());
    m_engine.reset();
    deliver(form("zoe@example.org"));
    deliver(message("max@example.org", "Max", "join", ""));
    engine().cmdCheckMail_click();
    EXPECT_EQ(activeOf("zoe@example.org", list), c.formWaits ? "absent" : "true");
    EXPECT_EQ(activeOf("max@example.org", list), c.mailWaits ? "absent" : "true");
    EXPECT_EQ(pending().size(), (c.formWaits ? 1u : 0u) + (c.mailWaits ? 1u : 0u));
  }
}

TEST_F(ConfirmedOptIn, SystemMessagesNeverSignUpAndOptOutsComeBeforeTheRules) {
  // A filter whose rule holds for its own title and for a delivery report.
  std::string copper = addSignupFilter({engine::makeRuleLine("Subject", "Has", "Copper", "Or"),
                                        engine::makeRuleLine("Body", "Has", "Undeliver", "")});
  profile.UpdateFile_new(filters().back().indexNumber, "title", "Copper Club");
  profile.UpdateFile_new(filters().back().indexNumber, "confirm", "none");
  table.setFilterList(filters());
  copper = "Copper Club";
  store::SubscriberData ann = subscriber("ann@example.org", "Ann", copper);
  table.add(ann);
  table.add(subscriber("bob@example.org", "Bob", copper));
  table.add(subscriber("carl@example.org", "Carl", copper));
  deliver(message("webkit@example.com", "", copper,
                  "@@@\r\n@@@email@@@=ann@example.org=@@@email@@@\r\n@@@k@@@=" +
                      engine::optOutToken(kSecret, "ann@example.org", copper) + "=@@@k@@@\r\n"));
  deliver(message("bob@example.org", "Bob", copper, "@@@"));
  auto report = message("MAILER-DAEMON@mx.example.org", "", "Undelivered Mail", "Undeliverable");
  report.headers = {{"Content-Type", "multipart/report; report-type=delivery-status"}};
  report.deliveryStatus =
      "Reporting-MTA: dns; mx\r\n\r\nFinal-Recipient: rfc822; carl@example.org\r\n"
      "Action: failed\r\nStatus: 5.1.1";
  deliver(report);
  auto emptyPath = message("bounce@mx.example.org", "", "Copper news", "x");
  emptyPath.headers = {{"Return-Path", "<>"}};
  deliver(emptyPath);
  deliver(message("list@example.com", "", "Copper digest", ""));
  deliver(message("webkit@example.com", "", "Copper Club?", "hello"));

  engine().cmdCheckMail_click();

  EXPECT_EQ(activeOf("ann@example.org", copper), "false");
  EXPECT_EQ(activeOf("bob@example.org", copper), "false");
  EXPECT_EQ(activeOf("carl@example.org", copper), "false");
  for (const char* system : {"webkit@example.com", "MAILER-DAEMON@mx.example.org",
                             "bounce@mx.example.org", "list@example.com"}) {
    EXPECT_EQ(activeOf(system, copper), "absent") << system;
  }
  EXPECT_EQ(table.size(), 3u);
}

TEST_F(ConfirmedOptIn, SigningUpAgainAfterLeavingWaitsForConfirmationAndKeepsTheSentList) {
  store::SubscriberData zoe = subscriber("zoe@example.org", "Zoe", list);
  zoe.active = "false";
  zoe.sentList = welcome + "[\\?]";
  table.add(zoe);
  deliver(form("zoe@example.org"));
  engine().cmdCheckMail_click();
  EXPECT_EQ(activeOf("zoe@example.org", list), "false");
  EXPECT_THAT(readBytes(folder / "errlog.txt"), HasSubstr("active again once confirmed"));

  deliver(kitConfirmation("zoe@example.org", token("zoe@example.org", list), list));
  engine().cmdCheckMail_click();
  EXPECT_EQ(activeOf("zoe@example.org", list), "true");
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(server.sent.size(), 1u);  // the confirmation; the welcome went before
  EXPECT_EQ(consentLines().size(), 1u);
}

}  // namespace
}  // namespace tidewell::testing
