#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
  struct Case {
    std::string secret, address, title, token;
  } refused[] = {
      {kSecret, "other@example.org", "News", "4CSJzE9MMBXzb857HCie4w"},
      {kSecret, "sub@example.org", "Other", "4CSJzE9MMBXzb857HCie4w"},
      {kSecret, "sub@example.org", "News", "4CSJzE9MMBXzb857HCie4"},
      {kSecret, "sub@example.org", "News", ""},
      {"", "sub@example.org", "News", ""},
      {"xyz", "sub@example.org", "News", engine::optOutToken("xyz", "sub@example.org", "News")},
  };
  for (const Case& c : refused) {
    EXPECT_FALSE(engine::optOutTokenValid(c.secret, c.address, c.title, c.token))
        << c.address << " " << c.title << " " << c.token;
  }
  std::string a = engine::newKitSecret();
  EXPECT_EQ(a.size(), 64u);
  EXPECT_NE(a, engine::newKitSecret());
}

TEST(KitMessages, AutoSubmittedIsAnyValueButNoInTheHeader) {
  struct Case {
    std::string text;
    bool automatic;
  } cases[] = {
      {"From: a@x\r\nAuto-Submitted: auto-replied\r\n\r\nbody", true},
      {"auto-submitted:   Auto-Generated\r\n\r\n", true},
      {"Auto-Submitted: no\r\n\r\n", false},
      {"Auto-Submitted: No (manual)\r\n\r\n", false},
      {"From: a@x\r\n\r\nAuto-Submitted: auto-replied\r\n", false},  // in the body
      {"From: a@x\nAuto-Submitted: auto-replied\n\nbody", true},
      {"X-Auto-Submitted: yes\r\n\r\n", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(engine::isAutoSubmitted(c.text), c.automatic) << c.text;

  auto kit = engine::kitOptOutOf("@@@\r\n@@@email@@@=a@x.org=@@@email@@@\r\n@@@k@@@=tok=@@@k@@@");
  ASSERT_TRUE(kit);
  EXPECT_EQ(kit->address, "a@x.org");
  EXPECT_EQ(kit->token, "tok");
  EXPECT_FALSE(engine::kitOptOutOf("@@@ please remove me"));
}

TEST(WebKitLinks, EncodeEveryValueTheyCarry) {
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
  struct Case {
    std::string html, text;
  } cases[] = {
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
  for (const Case& c : cases) EXPECT_EQ(engine::plainTextOfHtml(c.html), c.text) << c.html;
}

// The check cycle with the web kit set: its opt-outs, its sign-ups and the list headers of
// what is sent.
class WebKitCycle : public EngineFixture {
 protected:
  WebKitCycle() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
    other = addSignupFilter({engine::makeRuleLine("Subject", "Has", "enter", "")});
    settings.webkit = "https://www.example.com/list/";
    settings.webkitkey = kSecret;
  }
  void subscribe(const std::string& address, const std::string& filter) {
    store::SubscriberData data = subscriber(address, "Ann", filter);
    data.pmf = pmfOf({{"email", address}, {"name", "Ann"}});
    table.add(data);
  }
  mail::IncomingMessage kitOptOut(const std::string& address, const std::string& token,
                                  const std::string& title) {
    return message(
        "webkit@example.com", "", title,
        "@@@\r\n@@@email@@@=" + address + "=@@@email@@@\r\n@@@k@@@=" + token + "=@@@k@@@\r\n");
  }
  std::string activeOf(const std::string& address, const std::string& filter) {
    for (store::Position p = 0; p < table.size(); ++p) {
      if (table.record(p).email() == address && table.filterTitle(p) == filter)
        return std::string(table.active(p));
    }
    return "absent";
  }
  std::string list;
  std::string other;
};

TEST_F(WebKitCycle, KitOptOutSwitchesOffOnlyTheAddressWhoseTokenItCarries) {
  for (const char* address : {"ann@example.org", "bob@example.org"}) {
    subscribe(address, list);
    subscribe(address, other);
  }
  deliver(
      kitOptOut("ann@example.org", engine::optOutToken(kSecret, "ann@example.org", list), list));
  deliver(
      kitOptOut("bob@example.org", engine::optOutToken(kSecret, "ann@example.org", list), list));
  deliver(
      kitOptOut("bob@example.org", engine::optOutToken(kSecret, "bob@example.org", other), list));
  deliver(kitOptOut("bob@example.org", "forged-token-forged-tok", list));

  engine().cmdCheckMail_click();

  EXPECT_EQ(activeOf("ann@example.org", list), "false");
  EXPECT_EQ(activeOf("ann@example.org", other), "true");
  EXPECT_EQ(activeOf("bob@example.org", list), "true");
  EXPECT_EQ(activeOf("bob@example.org", other), "true");
  auto log = logLines();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& l) {
                            return l.find("Opt-out of bob@example.org") != std::string::npos &&
                                   l.find("token") != std::string::npos;
                          }),
            3);
}

TEST_F(WebKitCycle, MailProgramOptOutStandsForItsSenderButAnAutoReplyChangesNothing) {
  subscribe("ann@example.org", list);
  subscribe("bob@example.org", list);
  deliver(message("ann@example.org", "Ann", list, "@@@"));
  mail::IncomingMessage vacation = message("bob@example.org", "Bob", list, "@@@");
  vacation.fullText = "From: bob@example.org\r\nAuto-Submitted: auto-replied\r\n\r\n@@@";
  deliver(vacation);
  mail::IncomingMessage autoSignUp = message("carl@example.org", "Carl", "join", "");
  autoSignUp.fullText = "Auto-Submitted: auto-generated\r\n\r\n";
  deliver(autoSignUp);

  engine().cmdCheckMail_click();

  EXPECT_EQ(activeOf("ann@example.org", list), "false");
  EXPECT_EQ(activeOf("bob@example.org", list), "true");
  EXPECT_EQ(activeOf("carl@example.org", list), "absent");
}

TEST_F(WebKitCycle, FormSignUpSentTwiceFromTheKitMakesOneSubscriber) {
  profile.UpdateFile_new(filters().front().indexNumber, "confirm", "none");  // active at once
  table.setFilterList(filters());
  auto form = [&](const std::string& address, const std::string& name) {
    return message(
        "webkit@example.com", "", "join",
        "@@@input2@@@=" + name + "=@@@input2@@@\r\n@@@input1@@@=" + address + "=@@@input1@@@\r\n");
  };
  deliver(form("zoe@example.org", "Zoë"));
  deliver(form("zoe@example.org", "Zoë"));
  deliver(form("max@example.org", "Max"));
  engine().cmdCheckMail_click();
  deliver(form("zoe@example.org", "Zoë"));
  engine().cmdCheckMail_click();

  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.record(0).email(), "zoe@example.org");
  EXPECT_EQ(table.record(0).name(), "Zoë");
  EXPECT_EQ(table.record(1).email(), "max@example.org");
}

TEST_F(WebKitCycle, NewslettersCarryListHeadersAndThePersonalOptOutPlaceholders) {
  addNewsletter(list, "All", "Leave: ~optouturl~ (~optoutkey~)", "Hi");
  subscribe("a+b@example.org", list);
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 1u);
  const mail::OutgoingMessage& m = server.sent[0];
  std::string token = engine::optOutToken(kSecret, "a+b@example.org", list);
  std::string url =
      "https://www.example.com/list/o.php?t=list%40example.com&f=a%2Bb%40example.org"
      "&s=" +
      list + "&c=o&k=" + token;
  EXPECT_EQ(m.listUnsubscribe,
            "<" + url + ">, <mailto:list@example.com?subject=" + list + "&body=%40%40%40>");
  EXPECT_EQ(m.listUnsubscribePost, "List-Unsubscribe=One-Click");
  EXPECT_THAT(m.listId, HasSubstr("<filter-1.example.com>"));
  EXPECT_EQ(m.body, "Leave: " + url + " (" + token + ")");
}

TEST_F(WebKitCycle, HtmlNewslettersGetTheSiblingTextFileElseTextOfTheHtmlPersonalisedAlike) {
  int index = addNewsletter(list, "All", "<html><p>Dear ~name~</p></html>", "Hi");
  subscribe("ann@example.org", list);
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_EQ(server.sent[0].textAlternative, "Dear Ann\n");

  writeBytes(folder / "New Newsletter #1.txt", "Plain ~name~");
  setNewsletter(index, "title", "Second");
  subscribe("bob@example.org", list);
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 3u);
  EXPECT_EQ(server.sent[2].textAlternative, "Plain Ann");  // to Ann again: a new title
}

TEST_F(WebKitCycle, WithoutAKitNewslettersOfferTheMailtoAlone) {
  settings.webkit.clear();
  addNewsletter(list, "All", "Leave: ~optouturl~", "Hi");
  subscribe("ann@example.org", list);
  engine().VBSendMessage();
  ASSERT_EQ(server.sent.size(), 1u);
  EXPECT_EQ(server.sent[0].listUnsubscribe,
            "<mailto:list@example.com?subject=" + list + "&body=%40%40%40>");
  EXPECT_EQ(server.sent[0].listUnsubscribePost, "");
  EXPECT_EQ(server.sent[0].body,
            "Leave: mailto:list@example.com?subject=" + list + "&body=%40%40%40");
}

}  // namespace
}  // namespace tidewell::testing
