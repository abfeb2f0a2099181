#include <gtest/gtest.h>

#include "cli_runner.h"
#include "editor/html_text.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

class EngineCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        cli({"new-profile", "--title", "Gold", "--email", "list&co@x.com", "--reply", "r@x.com",
             "--pop3", "127.0.0.1", "--smtp", "127.0.0.1", "--account", "list", "--password", "pw"})
            .status,
        0);
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
  auto noSubject = cli({"optin-html", "Filter_1"});
  ASSERT_EQ(noSubject.status, 0);
  auto lines = store::splitLines(noSubject.out);
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[10], std::string(31, ' ') +
                           "<font size=2>Name:</font><INPUT type=text name=\"input2\"><br>");
  EXPECT_EQ(lines[11], std::string(31, ' ') +
                           "<font size=2>Email Address:</font><INPUT type=text name=input1><BR>");
  EXPECT_EQ(lines[13], std::string(31, ' ') + "<input type=hidden value=\"\" name=subject>");
  EXPECT_NE(lines[14].find("value=\"https://x.com/thanks?a=&quot;1&quot;\""), std::string::npos);
  EXPECT_NE(lines[15].find("value=\"list&amp;co@x.com\" name=to>"), std::string::npos);
  EXPECT_EQ(lines.back(), "</TABLE>");

  ASSERT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|join|Or", "Subject|=|enter"}).status, 0);
  EXPECT_EQ(cli({"optin-html", "Filter_1"}).status, 1);  // two subjects: the operator chooses
  auto chosen = cli({"optin-html", "Filter_1", "--subject", "enter"});
  EXPECT_NE(chosen.out.find("value=\"enter\" name=subject"), std::string::npos);
}

TEST_F(EngineCommands, OptOutLinkEncodesEverythingButThePlaceholder) {
  ASSERT_EQ(cli({"set", "5", "title", "Gold & Silver"}).status, 0);
  EXPECT_EQ(cli({"optout-link", "Gold & Silver"}).out,
            "https://forms.tidewell.net/o.php?t=list%26co%40x.com&f=~email~&s=Gold%20%26%20Silver"
            "&c=o\n");
  EXPECT_EQ(editor::percentEncode("a-b_c.d~e f/é"), "a-b_c.d~e%20f%2F%C3%A9");
  EXPECT_EQ(editor::escapeHtml("<a href='x'>&</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&lt;/a&gt;");
}

}  // namespace
}  // namespace tidewell::testing

namespace tidewell::testing {
namespace {

// A command that ends without doing its work fails, with the reason on standard error.
TEST_F(EngineCommands, CommandsThatDoNothingSayWhyAndFail) {
  ASSERT_EQ(cli({"set", "2", "PopPort", "!"}).status, 0);
  CliResult check = cli({"check"});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find("Pop3 Port is not set up correctly"), std::string::npos) << check.err;

  CliResult made = cli({"new-newsletter"});
  ASSERT_EQ(made.status, 0);
  std::string title = made.out.substr(made.out.find('\t') + 1);
  title.pop_back();  // the line end
  writeBytes(folder / "Gold.txt",
             crlf({"ann@x.com", "Ann", "12/5/2026", "none", "true", "Filter_1", "", ""}));
  CliResult sent = cli({"forced-send", "--newsletter", title, "ann@x.com"});
  EXPECT_EQ(sent.status, 1);
  EXPECT_NE(sent.err.find("Nothing was sent"), std::string::npos) << sent.err;
}

}  // namespace
}  // namespace tidewell::testing
