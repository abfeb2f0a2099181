#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_runner.h"
#include "editor/html_text.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class EngineCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(newGoldProfile(folder.path(), "list&co@x.com").status, 0);
    ASSERT_EQ(cli({"new-filter"}).status, 0);
  }
  CliResult cli(const std::vector<std::string>& args) { return runCli(folder.path(), args); }
  TempFolder folder;
};

TEST_F(EngineCommands, SetRulesReplacesTheRulesWithValidatedLines) {
  ASSERT_EQ(
      cli({"set-rules", "Filter_1", "Subject|Has|join|Or", "Body|=|please", "From|Has|x"}).status,
      0);
  ASSERT_EQ(cli({"set-rules", "Filter_1", "Subject|=|Join me"}).status, 0);
  EXPECT_EQ(cli({"get", "5", "rule1"}).out, "<1<Subject>1> <2<=>2> <3<Join me>3>\n");
  EXPECT_EQ(cli({"get", "5", "rule2"}).out, "!\n");

  EXPECT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|join|And"}).status, 2);
  EXPECT_EQ(cli({"set-rules", "Filter_1", "Date|Has|x"}).status, 2);
  EXPECT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|"}).status, 2);
  EXPECT_EQ(cli({"set-rules", "Nobody", "Subject|Has|join"}).status, 1);
  EXPECT_EQ(cli({"get", "5", "rule1"}).out, "<1<Subject>1> <2<=>2> <3<Join me>3>\n");
}

TEST_F(EngineCommands, OptInFormListsNameThenEmailAndQuotesInsertedValues) {
  ASSERT_EQ(cli({"set", "5", "redirect", "https://x.com/thanks?a=\"1\""}).status, 0);
  ASSERT_EQ(cli({"set", "4", "webkit", "https://x.com/list/"}).status, 0);
  auto noSubject = cli({"optin-html", "Filter_1"});
  ASSERT_EQ(noSubject.status, 0);
  auto lines = store::splitLines(noSubject.out);
  const std::string form(27, ' '), field(31, ' ');  // the page's indentation
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[9], form + "<form id=Form1 action=\"https://x.com/list/email.php\" method=post>");
  EXPECT_EQ(lines[10], field + "<font size=2>Name:</font><INPUT type=text name=\"input2\"><br>");
  EXPECT_EQ(lines[11],
            field + "<font size=2>Email Address:</font><INPUT type=text name=input1><BR>");
  // Against scripts: a field people never see, and the time the kit signs when the page shows.
  EXPECT_THAT(lines[12], HasSubstr("name=\"website\""));
  EXPECT_EQ(lines[13], field + "<input type=hidden name=\"tw_time\" value=\"\">");
  EXPECT_EQ(lines[15], field + "<input type=hidden value=\"\" name=subject>");
  EXPECT_THAT(lines[16], HasSubstr("value=\"https://x.com/thanks?a=&quot;1&quot;\""));
  EXPECT_THAT(lines[17], HasSubstr("value=\"list&amp;co@x.com\" name=to>"));
  EXPECT_EQ(lines[19],
            form + "<script src=\"https://x.com/list/email.php?stamp=1\" defer></script>");
  EXPECT_EQ(lines.back(), "</TABLE>");

  ASSERT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|join|Or", "Subject|=|enter"}).status, 0);
  EXPECT_EQ(cli({"optin-html", "Filter_1"}).status, 1);  // two subjects: the operator chooses
  auto chosen = cli({"optin-html", "Filter_1", "--subject", "enter"});
  EXPECT_THAT(chosen.out, HasSubstr("value=\"enter\" name=subject"));
}

TEST_F(EngineCommands, OptOutLinkEncodesEverythingButThePlaceholders) {
  ASSERT_EQ(cli({"set", "5", "title", "Gold & Silver"}).status, 0);
  ASSERT_EQ(cli({"set", "4", "webkit", "https://x.com/list/"}).status, 0);
  EXPECT_EQ(cli({"optout-link", "Gold & Silver"}).out,
            "https://x.com/list/o.php?t=list%26co%40x.com&f=~email~&s=Gold%20%26%20Silver"
            "&c=o&k=~optoutkey~\n");
  EXPECT_EQ(editor::percentEncode("a-b_c.d~e f/é"), "a-b_c.d~e%20f%2F%C3%A9");
  EXPECT_EQ(editor::escapeHtml("<a href='x'>&</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&lt;/a&gt;");
}

TEST_F(EngineCommands, FormAndLinkNeedAUsableKitAddress) {
  for (const char* address :
       {"", "http://x.com/list/", "https://x.com/list", "https://x.com/a b/", "ftp://x.com/"}) {
    // Refused but for the empty one (no kit): a plain-http kit would put the one-click links
    // in the clear into every newsletter.
    EXPECT_EQ(cli({"set", "4", "webkit", address}).status, *address ? 1 : 0) << address;
    for (const char* command : {"optin-html", "optout-link"}) {
      SCOPED_TRACE(std::string(command) + " " + address);
      CliResult result = cli({command, "Filter_1"});
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out, "");
      EXPECT_THAT(result.err, HasSubstr("web kit"));
    }
  }
  ASSERT_EQ(cli({"set", "4", "webkit", "http://127.0.0.1:8080/"}).status, 0);
  EXPECT_EQ(cli({"optout-link", "Filter_1"}).status, 0);
}

TEST_F(EngineCommands, WebKitWritesPagesAndConfigurationWithOneLastingSecret) {
  ASSERT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|join|Or", "Subject|=|it's me"}).status, 0);
  ASSERT_EQ(cli({"set", "5", "redirect", "https://www.x.com/thanks.html"}).status, 0);
  EXPECT_EQ(cli({"web-kit", "--out", (folder / "kit").string()}).status, 1);  // no address yet
  ASSERT_EQ(cli({"set", "4", "webkit", "https://www.x.com/list/"}).status, 0);
  CliResult first = cli({"web-kit", "--out", (folder / "kit").string()});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_THAT(first.out, HasSubstr("upload email.php, c.php, o.php, kit.php and config.php"));
  std::string config = readBytes(folder / "kit" / "config.php");
  namespace fs = std::filesystem;
  // Pages a web server running PHP as another user can read; the secret for owner and group.
  for (const char* page : {"email.php", "c.php", "o.php", "kit.php"}) {
    EXPECT_THAT(readBytes(folder / "kit" / page), HasSubstr("<?php")) << page;
    EXPECT_EQ(fs::status(folder / "kit" / page).permissions(), fs::perms(0644)) << page;
  }
  EXPECT_EQ(fs::status(folder / "kit" / "config.php").permissions(), fs::perms(0640));
  EXPECT_EQ(fs::status(folder / "kit").permissions(), fs::perms(0755));
  EXPECT_THAT(config, HasSubstr("'list' => 'list&co@x.com'"));
  EXPECT_THAT(config, HasSubstr("'sender' => 'webkit@x.com'"));
  EXPECT_THAT(config, HasSubstr("['title' => 'Filter_1', 'optout' => '', 'subjects' => ['join', "
                                "'it\\'s me'], 'confirm' => true]"));
  EXPECT_THAT(config, HasSubstr("'redirects' => ['https://www.x.com/thanks.html']"));
  std::size_t at = config.find("'secret' => '");
  ASSERT_NE(at, std::string::npos);
  std::string secret = config.substr(at + 13, 64);
  EXPECT_EQ(secret.find_first_not_of("0123456789abcdef"), std::string::npos) << secret;
  EXPECT_THAT(cli({"get", "4", "webkitkey"}).out, Not(HasSubstr(secret)));  // enciphered

  ASSERT_EQ(cli({"web-kit", "--out", (folder / "kit2").string()}).status, 0);
  EXPECT_THAT(readBytes(folder / "kit2" / "config.php"), HasSubstr(secret));
}

// A command that ends without doing its work fails, with the reason on standard error.
TEST_F(EngineCommands, CommandsThatDoNothingSayWhyAndFail) {
  ASSERT_EQ(cli({"set", "2", "PopPort", "!"}).status, 0);
  CliResult check = cli({"check"});
  EXPECT_EQ(check.status, 1);
  EXPECT_THAT(check.err, HasSubstr("Pop3 Port is not set up correctly"));

  CliResult made = cli({"new-newsletter"});
  ASSERT_EQ(made.status, 0);
  std::string title = made.out.substr(made.out.find('\t') + 1);
  title.pop_back();  // the line end
  writeBytes(folder / "Gold.txt",
             crlf({"ann@x.com", "Ann", "12/5/2026", "none", "true", "Filter_1", "", ""}));
  CliResult sent = cli({"forced-send", "--newsletter", title, "ann@x.com"});
  EXPECT_EQ(sent.status, 1);
  EXPECT_THAT(sent.err, HasSubstr("Nothing was sent"));
}

TEST_F(EngineCommands, PendingSignUpsAreListedConfirmedResentAndDroppedByHand) {
  // Two sign-ups waiting: one written by this program, one by hand with only the eight fields
  // every reader knows.
  writeBytes(folder / "Gold.pending",
             crlf({"ann@x.org\tFilter_1\t12/1/2026\t1:00:00 PM\t-\temail[/\\]ann@x.org[\\/]\t"
                   "<s1@x>\t192.0.2.1\tAnn\t12/1/2026\tTW-AAAAAAAA\tbuilt-in\tab12\tlink",
                   "bob@x.org\tFilter_1\t12/2/2026\t2:00:00 PM\t-\t-\t-\t-"}));
  CliResult listed = cli({"--today", "2026-12-03", "pending"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_THAT(listed.out, HasSubstr("ann@x.org\tFilter_1\t12/1/2026\t12/1/2026\t-\t12/15/2026"));
  EXPECT_THAT(listed.out, HasSubstr("bob@x.org\tFilter_1\t12/2/2026\t-\t-\t12/16/2026"));

  struct Step {
    std::vector<std::string> args;
    int status;
  } steps[] = {
      {{"confirm", "ANN@x.org"}, 0},
      {{"confirm", "ann@x.org"}, 1},  // no longer waiting
      {{"resend-confirmation", "bob@x.org"}, 0},
      {{"drop-pending", "bob@x.org", "--filter", "Other"}, 1},
      {{"drop-pending", "bob@x.org"}, 0},
      {{"add-subscriber", "--email", "cy@x.org", "--name", "Cy", "--filter", "Filter_1"}, 0},
  };
  ASSERT_EQ(cli({"set", "5", "subject", "join"}).status, 0);  // New Email needs an opt-in code
  for (const Step& s : steps) EXPECT_EQ(cli(s.args).status, s.status) << s.args[0];

  EXPECT_THAT(cli({"pending"}).out, Not(HasSubstr("@x.org")));
  std::string subscribers = cli({"subscribers"}).out;
  EXPECT_THAT(subscribers, HasSubstr("ann@x.org,Ann,"));
  EXPECT_THAT(subscribers, HasSubstr(",true,Filter_1,"));
  CliResult ann = cli({"consent", "ann@x.org"});
  EXPECT_THAT(ann.out,
              HasSubstr("\tann@x.org\tFilter_1\tcli\t<s1@x>\t-\t192.0.2.1\tbuilt-in\tab12"));
  EXPECT_THAT(cli({"consent", "cy@x.org"}).out, HasSubstr("\tcy@x.org\tFilter_1\tcli\t"));
  EXPECT_THAT(cli({"consent", "bob@x.org"}).err, HasSubstr("No consent is on record"));
  EXPECT_THAT(readBytes(folder / "errlog.txt"), HasSubstr("dropped by the operator"));
}

}  // namespace
}  // namespace tidewell::testing
