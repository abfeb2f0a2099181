// The web kit's tokens, links and messages, and check cycles of a profile that has one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "consent/pending_signups.h"
#include "engine/kit_messages.h"
#include "engine/optout_token.h"
#include "engine/plain_text_of_html.h"
#include "engine/rule_line.h"
#include "engine/web_kit_links.h"
#include "engine_fixture.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

const std::string kSecret = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

TEST(OptOutToken, AgreesWithTheKitAndRefusesWhatIsNotIts) {
  // The values the kit's hash_hmac gives for the same inputs.
  EXPECT_EQ(engine::optOutToken(kSecret, "Sub@Example.org", "News"), "4CSJzE9MMBXzb857HCie4w");
  EXPECT_EQ(engine::optOutToken(kSecret, "zoë@example.org", "Zoë's list"),
            "-BT2XAR-JpeTq9dAv5Zqjg");
  EXPECT_TRUE(
      engine::optOutTokenValid(kSecret, "sub@example.org", "News", "4CSJzE9MMBXzb857HCie4w"));
  const std::array<std::string, 4> refused[] = {
      // secret, address, title, token
      {kSecret, "other@example.org", "News", "4CSJzE9MMBXzb857HCie4w"},
      {kSecret, "sub@example.org", "Other", "4CSJzE9MMBXzb857HCie4w"},
      {kSecret, "sub@example.org", "News", "4CSJzE9MMBXzb857HCie4"},
      {kSecret, "sub@example.org", "News", ""},
      {"", "sub@example.org", "News", ""},
      {"xyz", "sub@example.org", "News", engine::optOutToken("xyz", "sub@example.org", "News")},
  };
  for (const auto& [secret, address, title, token] : refused)
    EXPECT_FALSE(engine::optOutTokenValid(secret, address, title, token))
        << address << " " << title << " " << token;
  std::string a = engine::newKitSecret();
  EXPECT_EQ(a.size(), 64u);
  EXPECT_NE(a, engine::newKitSecret());
}

TEST(KitMessages, AutoSubmittedIsAnyValueButNoInTheHeaderAndLinksEncodeEveryValue) {
  const std::pair<std::string, bool> cases[] = {
      {"From: a@x\r\nAuto-Submitted: auto-replied\r\n\r\nbody", true},
      {"auto-submitted:   Auto-Generated\r\n\r\n", true},
      {"Auto-Submitted: no\r\n\r\n", false},
      {"Auto-Submitted: No (manual)\r\n\r\n", false},
      {"From: a@x\r\n\r\nAuto-Submitted: auto-replied\r\n", false},  // in the body
      {"From: a@x\nAuto-Submitted: auto-replied\n\nbody", true},
      {"X-Auto-Submitted: yes\r\n\r\n", false},
      {"", false},
  };
  for (const auto& [text, automatic] : cases)
    EXPECT_EQ(engine::isAutoSubmitted(text), automatic) << text;
  // A kit opt-out is read in WebKitCycle.SystemMessages...; a bare marker is none.
  EXPECT_FALSE(engine::kitOptOutOf("@@@ please remove me"));
  // Links encode every value they carry.
  EXPECT_EQ(
      engine::personalOptOutUrl("https://x.com/l/", kSecret, "list@x.com", "a+b@x.org", "A&B"),
      "https://x.com/l/o.php?t=list%40x.com&f=a%2Bb%40x.org&s=A%26B&c=o&k=" +
          engine::optOutToken(kSecret, "a+b@x.org", "A&B"));
  EXPECT_EQ(engine::personalOptOutUrl("", kSecret, "list@x.com", "a@x.org", "A"), "");
  EXPECT_EQ(engine::personalOptOutUrl("https://x.com/l/", "", "list@x.com", "a@x.org", "A"), "");
  EXPECT_EQ(engine::optOutMailto("list@x.com", "Gold & Silver", "bye"),
            "mailto:list@x.com?subject=Gold%20%26%20Silver&body=%40%40%40bye");
  EXPECT_EQ(engine::listIdOf("Gold & Silver News", "list@x.com"),
            "\"Gold & Silver News\" <gold-silver-news.x.com>");
  EXPECT_EQ(engine::listIdOf("Say \"hi\"\r\n", "list@x.com"), "\"Say \\\"hi\\\"\" <say-hi.x.com>");
  EXPECT_EQ(engine::listIdOf("Zoë", "nodomain"), "\"Zoë\" <zo.localhost>");
}

TEST(PlainTextOfHtml, KeepsParagraphsAndWritesLinksAsTextThenAddress) {
  const std::pair<std::string, std::string> cases[] = {
      {"<html><head><title>T</title><style>p{}</style></head><body><p>Hello  ~name~,</p>"
       "<p>Read <a href=\"https://x.org/a?b=1&amp;c=2\">the news</a>.<br>Bye</p></body></html>",
       "Hello ~name~,\n\nRead the news <https://x.org/a?b=1&c=2>.\nBye\n"},
      {"<p>Leave: <a href=\"~optouturl~\">here</a></p>", "Leave: here <~optouturl~>\n"},
      {"<a href=\"https://x.org/\">https://x.org/</a> <a href=\"#top\">top</a>",
       "https://x.org/ top\n"},
      {"<ul><li>one<li>two</ul><img alt=\"Logo\" src=x><script>alert(1)</script>",
       "- one\n- two\n\nLogo\n"},
      {"<p>Gr\xc3\xbc\xc3\x9f &eacute; &amp; &lt;x&gt;", "Gr\xc3\xbc\xc3\x9f \xc3\xa9 & <x>\n"},
      {"", ""},
  };
  for (const auto& [html, text] : cases) EXPECT_EQ(engine::plainTextOfHtml(html), text) << html;
}

// Check cycles of a profile with the web kit set.
class WebKitCycle : public EngineFixture {
 protected:
  WebKitCycle() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
    other = addSignupFilter({engine::makeRuleLine("Subject", "Has", "enter", "")});
    settings.webkit = "https://www.example.com/list/";
    settings.webkitkey = kSecret;
  }
  std::string addWelcome() {
    return profile.GetFromFile_new(addNewsletter(list, "0", "Welcome ~name~", "Welcome"), "title");
  }
  void subscribe(const std::string& address) {
    store::SubscriberData data = subscriber(address, "Ann", list);
    data.pmf = pmfOf({{"email", address}, {"name", "Ann"}});
    table.add(data);
  }
  // A message from the kit holding @@@name@@@=value=@@@name@@@ for each field.
  mail::IncomingMessage fromKit(const std::string& subject,
                                const std::vector<std::pair<std::string, std::string>>& fields,
                                const std::string& head = "") {
    std::string body = head;
    for (const auto& [name, value] : fields)
      body += "@@@" + name + "@@@=" + value + "=@@@" + name + "@@@\r\n";
    auto m = message("webkit@example.com", "", subject, body);
    m.messageId = "kit-" + m.uidl;
    return m;
  }
  mail::IncomingMessage form(const std::string& address) {
    return fromKit("join",
                   {{"input2", "Zoe"}, {"input1", address}, {"kit", "2"}, {"ip", "192.0.2.7"}});
  }
  mail::IncomingMessage confirmed(const std::string& address, const std::string& token,
                                  const std::string& title) {
    return fromKit(title, {{"confirm", address}, {"k", token}});
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
    for (store::Position p = 0; p < table.size() && !table.isEmpty(); ++p)
      if (table.record(p).email() == address && table.filterTitle(p) == filter)
        return std::string(table.active(p));
    return "absent";
  }
  std::string list, other;
};

TEST_F(WebKitCycle, FormSignUpGetsOneConfirmationAndBecomesSubscriberOnlyByItsOwnLink) {
  addWelcome();
  cycle({form("zoe@example.org")});

  auto waiting = pending();
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_EQ(waiting[0].ip, "192.0.2.7");
  ASSERT_EQ(server.sent.size(), 1u);
  const mail::OutgoingMessage& confirmation = server.sent[0];
  EXPECT_EQ(confirmation.toAddress + "|" + confirmation.replyTo,
            "zoe@example.org|list@example.com");
  EXPECT_THAT(confirmation.subject, HasSubstr(waiting[0].code));
  const std::string good = token("zoe@example.org", list);
  EXPECT_THAT(confirmation.body, HasSubstr("https://www.example.com/list/c.php?t=list%40example.com"
                                           "&f=zoe%40example.org&s=" +
                                           list + "&k=" + good));
  // Forged, truncated or cross-filter tokens change nothing, and nothing goes twice.
  const std::array<std::string, 3> attacks[] = {
      // address, token, title
      {"zoe@example.org", "forged-token-forged-tok", list},
      {"zoe@example.org", good.substr(0, 21), list},
      {"zoe@example.org", token("zoe@example.org", other), list},
      {"zoe@example.org", good, other},
      {"eve@example.org", good, list},
      {"zoe@example.org", engine::optOutToken(kSecret, "zoe@example.org", list), list},
  };
  for (const auto& [address, forged, title] : attacks) deliver(confirmed(address, forged, title));
  engine().cmdCheckMail_click();
  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(pending().size(), 1u);
  EXPECT_TRUE(consentLines().empty());
  EXPECT_EQ(logged("Confirmation of"), 6u);
  EXPECT_EQ(server.sent.size(), 1u);

  cycle({confirmed("zoe@example.org", good, list)});
  EXPECT_EQ(activeOf("zoe@example.org", list), "true");
  EXPECT_TRUE(pending().empty());
  ASSERT_EQ(server.sent.size(), 2u);
  EXPECT_EQ(server.sent[1].subject, "Welcome");
  auto lines = consentLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("\tzoe@example.org\t" + list +
                                  "\tform-confirmed-link\tkit-uidl-1\tkit-uidl-8\t"
                                  "192.0.2.7\tbuilt-in\t"));
}

TEST_F(WebKitCycle, ReplyWithTheCodeConfirmsAndAKitWithoutConfirmationPageOffersOnlyThat) {
  cycle({fromKit("join", {{"input1", "ann@example.org"}})});  // no kit number: no confirmation page
  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_THAT(server.sent[0].body, ::testing::Not(HasSubstr("c.php")));
  std::string code = pending().at(0).code;
  cycle({message("mallory@example.org", "", "Re: " + code, ""),  // the code from elsewhere
         message("ann@example.org", "Ann", "Re: Please confirm", "")});
  EXPECT_EQ(activeOf("ann@example.org", list), "absent");
  cycle({message("ann@example.org", "Ann", "RE: " + server.sent[0].subject, "yes")});
  EXPECT_EQ(activeOf("ann@example.org", list), "true");
  ASSERT_EQ(consentLines().size(), 1u);
  EXPECT_THAT(consentLines()[0], HasSubstr("\tform-confirmed-reply\t"));
}

TEST_F(WebKitCycle, OneReminderThenTheSignUpIsDroppedWithALogLine) {
  cycle({form("zoe@example.org")});
  // Date, messages sent, sign-ups waiting.
  const std::tuple<store::Date, std::size_t, std::size_t> days[] = {
      {{2026, 12, 7}, 1, 1}, {{2026, 12, 8}, 2, 1}, {{2026, 12, 12}, 2, 1}, {{2026, 12, 19}, 2, 0}};
  for (const auto& [date, sent, waiting] : days) {
    clock.setToday(date);
    engine().VBSendMessage();
    EXPECT_EQ(server.sent.size(), sent) << store::shortDateText(date);
    EXPECT_EQ(pending().size(), waiting) << store::shortDateText(date);
  }
  EXPECT_THAT(server.sent[1].subject, HasSubstr("Reminder: "));
  EXPECT_EQ(logged("dropped unconfirmed"), 1u);
  EXPECT_TRUE(table.isEmpty());
}

TEST_F(WebKitCycle, ConfirmSettingDecidesWhoWaits) {
  // Confirm setting, whether a form sign-up waits, whether a mailed one waits.
  const std::tuple<std::string, bool, bool> cases[] = {
      {"!", true, false}, {"form", true, false}, {"all", true, true}, {"none", false, false}};
  for (const auto& [confirm, formWaits, mailWaits] : cases) {
    SCOPED_TRACE(confirm);
    table = store::SubscriberTable();
    std::filesystem::remove(consent::PendingSignups::pathFor(profilePath));
    profile.UpdateFile_new(filters().front().indexNumber, "confirm", confirm);
    table.setFilterList(filters());
    m_engine.reset();
    cycle({form("zoe@example.org"), message("max@example.org", "Max", "join", "")});
    EXPECT_EQ(activeOf("zoe@example.org", list), formWaits ? "absent" : "true");
    EXPECT_EQ(activeOf("max@example.org", list), mailWaits ? "absent" : "true");
    EXPECT_EQ(pending().size(), (formWaits ? 1u : 0u) + (mailWaits ? 1u : 0u));
  }
}

TEST_F(WebKitCycle, SystemMessagesNeverSignUpAndOptOutsComeBeforeTheRules) {
  // A filter whose rule holds for its own title (a report a rule matches: Bounces tests).
  std::string copper = addSignupFilter({engine::makeRuleLine("Subject", "Has", "Copper", "")});
  profile.UpdateFile_new(filters().back().indexNumber, "title", "Copper Club");
  profile.UpdateFile_new(filters().back().indexNumber, "confirm", "none");
  table.setFilterList(filters());
  copper = "Copper Club";
  for (const char* name : {"ann", "bob"})
    table.add(subscriber(std::string(name) + "@example.org", name, copper));
  const std::string annsToken = engine::optOutToken(kSecret, "ann@example.org", copper);
  for (const char* address : {"ann@example.org", "dan@example.org"})  // dan's: another's token
    deliver(fromKit(copper, {{"email", address}, {"k", annsToken}}, "@@@\r\n"));
  deliver(message("bob@example.org", "Bob", copper, "@@@"));
  auto emptyPath = message("bounce@mx.example.org", "", "Copper news", "x");
  emptyPath.headers = {{"Return-Path", "<>"}};
  deliver(emptyPath);
  deliver(message("list@example.com", "", "Copper digest", ""));
  deliver(message("webkit@example.com", "", "Copper Club?", "hello"));
  // An auto-reply quoting an opt-out neither opts out nor, matching a rule, signs up.
  table.add(subscriber("dan@example.org", "Dan", copper));
  mail::IncomingMessage vacation = message("dan@example.org", "Dan", copper, "@@@");
  vacation.fullText = "From: dan@example.org\r\nAuto-Submitted: auto-replied\r\n\r\n@@@";
  deliver(vacation);
  mail::IncomingMessage autoSignUp = message("eve@example.org", "Eve", "Copper", "");
  autoSignUp.fullText = "Auto-Submitted: auto-generated\r\n\r\n";
  cycle({autoSignUp});
  // Ann and Bob are off, Dan stays; nobody joined, neither a system sender nor Eve.
  EXPECT_EQ(actives(), "FFT");
  EXPECT_EQ(logged("Opt-out of dan@example.org", "token"), 1u);
}

TEST_F(WebKitCycle, SigningUpAgainAfterLeavingWaitsForConfirmationAndKeepsTheSentList) {
  std::string welcome = addWelcome();
  store::SubscriberData zoe = subscriber("zoe@example.org", "Zoe", list, "false");
  zoe.sentList = welcome + "[\\?]";
  table.add(zoe);
  cycle({form("zoe@example.org")});
  EXPECT_EQ(activeOf("zoe@example.org", list), "false");
  EXPECT_EQ(logged("active again once confirmed"), 1u);
  cycle({confirmed("zoe@example.org", token("zoe@example.org", list), list)});
  EXPECT_EQ(activeOf("zoe@example.org", list), "true");
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(server.sent.size(), 1u);  // the confirmation; the welcome went before
  EXPECT_EQ(consentLines().size(), 1u);
}

TEST_F(WebKitCycle, FormSignUpSentTwiceFromTheKitMakesOneSubscriberNamedByTheForm) {
  const int index = filters().front().indexNumber;
  profile.UpdateFile_new(index, "confirm", "none");  // active at once
  profile.UpdateFile_new(index, "toname", "Friend ~email~");
  table.setFilterList(filters());
  auto zoe = [&] { return fromKit("join", {{"input2", "Zoë"}, {"input1", "zoe@example.org"}}); };
  cycle({zoe(), zoe(), fromKit("join", {{"input1", "max@example.org"}})});
  cycle({zoe()});
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(rowOf(table, 0), "zoe@example.org|Zoë|12/5/2026|true|" + list + "|none");
  // Without a name field the name comes from the filter's template, filled from the form.
  EXPECT_EQ(table.record(1).name(), "Friend max@example.org");
}

TEST_F(WebKitCycle, NewslettersCarryListHeadersAndThePersonalOptOutPlaceholders) {
  addNewsletter(list, "All", "Leave: ~optouturl~ (~optoutkey~)", "Hi");
  subscribe("a+b@example.org");
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 1u);
  const mail::OutgoingMessage& m = server.sent[0];
  const std::string token = engine::optOutToken(kSecret, "a+b@example.org", list);
  const std::string url = engine::personalOptOutUrl(settings.webkit, kSecret, "list@example.com",
                                                    "a+b@example.org", list);
  const std::string mailto = engine::optOutMailto("list@example.com", list, "");
  EXPECT_EQ(m.listUnsubscribe, "<" + url + ">, <" + mailto + ">");
  EXPECT_EQ(m.listUnsubscribePost, "List-Unsubscribe=One-Click");
  EXPECT_THAT(m.listId, HasSubstr("<filter-1.example.com>"));
  EXPECT_EQ(m.body, "Leave: " + url + " (" + token + ")");
  // Without a kit the mailto alone is offered, in the header and for the placeholder.
  settings.webkit.clear();
  table.setSentList(0, "none");
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 2u);
  EXPECT_EQ(server.sent[1].listUnsubscribe, "<" + mailto + ">");
  EXPECT_EQ(server.sent[1].listUnsubscribePost, "");
  EXPECT_EQ(server.sent[1].body.rfind("Leave: " + mailto + " (", 0), 0u);
}

TEST_F(WebKitCycle, HtmlNewslettersGetTheSiblingTextFileElseTextOfTheHtmlPersonalisedAlike) {
  int index = addNewsletter(list, "All", "<html><p>Dear ~name~</p></html>", "Hi");
  subscribe("ann@example.org");
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_EQ(server.sent[0].textAlternative, "Dear Ann\n");
  writeBytes(folder / "New Newsletter #1.txt", "Plain ~name~");
  setNewsletter(index, "title", "Second");
  subscribe("bob@example.org");
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 3u);
  EXPECT_EQ(server.sent[2].textAlternative, "Plain Ann");  // to Ann again: a new title
}

}  // namespace
}  // namespace tidewell::testing
