// tidewell-cli run as scripts run it: profiles and their nodes, the engine's commands and the web
// kit, and secrets without a keyring (the tests' D-Bus address leads nowhere).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "cipher/dated_password_cipher.h"
#include "cipher/password_cipher.h"
#include "cli_runner.h"
#include "editor/html_text.h"
#include "store/oauth_account.h"
#include "store/profile_settings.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
 protected:
  CliResult cli(const std::vector<std::string>& args,
                const std::optional<std::string>& input = std::nullopt) {
    return runCli(folder.path(), args, input);
  }
  TempFolder folder;
};

class ProfileCommands : public CliTest {
 protected:
  CliResult newGold() {
    return newGoldProfile(folder.path(), "list@example.com", "s3cret pass",
                          {"--today", "2026-12-05"});
  }
};

// The profile's lines are the profile model's; the command enciphers the password for the day
// given and remembers the profile in the settings file.
TEST_F(ProfileCommands, NewProfileEnciphersThePasswordAndOpensTheProfile) {
  CliResult r = newGold();
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string line = store::splitLines(readBytes(folder / "Gold.dat"))[15];
  ASSERT_EQ(line.rfind("pass: ", 0), 0u);
  std::string stored = line.substr(6);
  EXPECT_EQ(stored.size(), 64u);  // 4 + 11 bytes fit one 32-byte block
  TrapFixture fx;
  EXPECT_EQ(cipher::f_decrypt(fx.trap, stored, "12/5/2026"), "s3cret pass");
  EXPECT_THAT(readBytes(folder / "tidewell.ini"), HasSubstr("\r\nstartfile: Gold.dat\r\n"));
}

TEST_F(ProfileCommands, RefusalsUsageAndReadErrorsHaveTheirExitStatus) {
  ASSERT_EQ(newGold().status, 0);
  CliResult again = newGold();
  EXPECT_EQ(again.status, 1);
  EXPECT_THAT(again.err, HasSubstr("Profile Title: A profile named Gold already exists."));
  EXPECT_EQ(cli({"get", "1"}).status, 2);
  EXPECT_EQ(cli({"get", "one", "title"}).status, 2);
  EXPECT_EQ(cli({"--today", "12/5/2026", "tree"}).status, 2);
  EXPECT_EQ(cli({"frobnicate"}).status, 2);
  EXPECT_EQ(cli({"help"}).status, 0);
  // Read errors fail the command.
  EXPECT_EQ(cli({"set", "42", "title", "x"}).status, 1);
  writeBytes(folder / "Broken.dat", crlf({"rule_properties_start", "index: 5", "title: A"}));
  CliResult r = cli({"--profile", (folder / "Broken.dat").string(), "get", "5", "title"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "!\n");
  EXPECT_THAT(r.err, HasSubstr("GetFromFile_new: Block 5 has no closing line"));
  std::filesystem::create_directory(folder / "empty");
  ASSERT_EQ(cli({"set", "4", "index", "9"}).status, 0);  // a gap after block 3
  CliResult gap = cli({"tree"});
  EXPECT_EQ(gap.status, 1);
  EXPECT_EQ(std::count(gap.out.begin(), gap.out.end(), '\n'), 3);
  EXPECT_THAT(gap.err, HasSubstr("1 block(s) after index 3 are out of order"));
  CliResult none = runCli(folder / "empty", {"tree"});
  EXPECT_EQ(none.status, 1);
  EXPECT_THAT(none.err, HasSubstr("No profile is open"));
}

TEST_F(ProfileCommands, GetSetTreeAndNodes) {
  ASSERT_EQ(newGold().status, 0);
  EXPECT_EQ(cli({"get", "2", "smtp"}).out, "127.0.0.1\n");
  EXPECT_EQ(cli({"get", "2", "LastEmailId"}).out, "!\n");
  EXPECT_EQ(cli({"set", "2", "mins", "10"}).status, 0);
  EXPECT_EQ(cli({"get", "2", "mins"}).out, "10\n");
  EXPECT_EQ(cli({"new-newsletter"}).out, "5\tNew Newsletter #1\n");
  EXPECT_EQ(cli({"new-filter"}).out, "6\tFilter_1\n");
  EXPECT_EQ(cli({"new-filter"}).out, "7\tFilter_2\n");
  EXPECT_EQ(cli({"tree"}).out,
            "1\tuser\tGold\t\n2\tcampaign\tServer Settings\tGold\n"
            "3\toutbound\tNewsletters\tServer Settings\n4\tinbound\tFilters\tServer Settings\n"
            "5\tnewsletter\tNew Newsletter #1\tNewsletters\n6\trule\tFilter_1\tFilters\n"
            "7\trule\tFilter_2\tFilters\n");
  EXPECT_EQ(cli({"delete-node", "6"}).status, 0);
  EXPECT_EQ(cli({"get", "6", "title"}).out, "Filter_2\n");
  EXPECT_EQ(cli({"delete-node", "3"}).status, 1);
  EXPECT_EQ(cli({"delete-node", "9"}).status, 1);
  EXPECT_THAT(readBytes(folder / "errlog.txt"), HasSubstr("DeleteNode:"));
}

// A file that is not what its name claims is refused with its name and line, and left alone.
TEST_F(ProfileCommands, FilesThatAreNotWhatTheyClaimFailAndStayUntouched) {
  ASSERT_EQ(newGold().status, 0);
  struct Case {
    const char* file;
    std::string bytes;
    std::vector<std::string> command;
    const char* kind;  // what the refusal says the file is not, and at which line
  };
  const std::vector<Case> cases = {
      {"Gold.dat", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), {"tree"}, "profile (line 1)"},
      {"Gold.dat", "\r\n\r\njust some notes\r\n", {"set", "1", "title", "X"}, "profile (line 3)"},
      {"tidewell.ini", "hello\n", {"tree"}, "settings file (line 1)"},
      {"Gold.txt", "name,email\r\nAnn,ann@x.com\r\n", {"subscribers"}, "subscriber file (line 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    std::string before = readBytes(folder / c.file);
    writeBytes(folder / c.file, c.bytes);
    CliResult r = cli(c.command);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr(std::string(c.file) + " is not a Tidewell " + c.kind));
    EXPECT_EQ(readBytes(folder / c.file), c.bytes);
    if (before.empty()) {
      std::filesystem::remove(folder / c.file);
    } else {
      writeBytes(folder / c.file, before);
    }
  }
}

// Who may read what tidewell-cli makes: the folders it creates are the operator's alone, folders
// that exist keep their mode, and a profile others can read is pointed out once per run.

fs::perms modeOf(const fs::path& path) {
  return fs::status(path).permissions() & fs::perms::all;
}

CliResult newGold(const fs::path& folder, const fs::path& programFolder) {
  return newGoldProfile(folder, "list@example.com", "pw", {"--folder", programFolder.string()});
}

std::vector<std::string> readableNotes(const fs::path& errlog) {
  std::vector<std::string> notes;
  for (const auto& line : store::splitLines(readBytes(errlog))) {
    if (line.find("is readable by other users") != std::string::npos) notes.push_back(line);
  }
  return notes;
}

TEST(CliPrivateFiles, MissingFoldersAreMade0700AndExistingOnesKeepTheirMode) {
  TempFolder top;
  fs::permissions(top.path(), fs::perms(0755));
  fs::path program = top / "data" / "Tidewell";
  CliResult r = newGold(top.path(), program);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::pair<fs::path, fs::perms> expected[] = {{top.path(), fs::perms(0755)},
                                                     {top / "data", fs::perms(0700)},
                                                     {program, fs::perms(0700)},
                                                     {program / "Gold.dat", fs::perms(0600)},
                                                     {program / "tidewell.ini", fs::perms(0600)}};
  for (const auto& [path, mode] : expected) EXPECT_EQ(modeOf(path), mode) << path;

  fs::permissions(program, fs::perms(0750));
  ASSERT_EQ(runCli(top.path(), {"--folder", program.string(), "tree"}).status, 0);
  EXPECT_EQ(modeOf(program), fs::perms(0750));
}

TEST(CliPrivateFiles, AProfileOthersCanReadIsNotedOncePerRunWithTheFix) {
  TempFolder program;
  ASSERT_EQ(newGold(program.path(), program.path()).status, 0);
  fs::path profile = program / "Gold.dat";
  fs::path errlog = program / "errlog.txt";

  fs::permissions(profile, fs::perms(0640));
  // tree and set read the profile many times over; each run notes it once.
  ASSERT_EQ(runCli(program.path(), {"tree"}).status, 0);
  std::vector<std::string> notes = readableNotes(errlog);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_THAT(notes[0], EndsWith("; chmod 600 " + profile.string()));
  ASSERT_EQ(runCli(program.path(), {"set", "2", "mins", "7"}).status, 0);
  EXPECT_EQ(readableNotes(errlog).size(), 2u);
  EXPECT_EQ(modeOf(profile), fs::perms(0640));  // a rewrite keeps the mode the operator chose

  fs::permissions(profile, fs::perms(0600));
  ASSERT_EQ(runCli(program.path(), {"tree"}).status, 0);
  EXPECT_EQ(readableNotes(errlog).size(), 2u);
}

class EngineCommands : public CliTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(newGoldProfile(folder.path(), "list&co@x.com").status, 0);
    ASSERT_EQ(cli({"new-filter"}).status, 0);
  }
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

TEST_F(EngineCommands, FormAndLinkNeedAUsableKitAddressAndTheLinkEncodesAllButPlaceholders) {
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
  // With a usable kit the link encodes everything but its placeholders.
  ASSERT_EQ(cli({"set", "5", "title", "Gold & Silver"}).status, 0);
  ASSERT_EQ(cli({"set", "4", "webkit", "https://x.com/list/"}).status, 0);
  EXPECT_EQ(cli({"optout-link", "Gold & Silver"}).out,
            "https://x.com/list/o.php?t=list%26co%40x.com&f=~email~&s=Gold%20%26%20Silver"
            "&c=o&k=~optoutkey~\n");
  EXPECT_EQ(editor::percentEncode("a-b_c.d~e f/é"), "a-b_c.d~e%20f%2F%C3%A9");
  EXPECT_EQ(editor::escapeHtml("<a href='x'>&</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&lt;/a&gt;");
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

class SecretCommands : public CliTest {
 protected:
  // Whatever session the tests run in, the programs they start find no keyring.
  static void SetUpTestSuite() { setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1); }
  SecretCommands() {
    EXPECT_EQ(newGoldProfile(folder.path(), "list@example.com", "first").status, 0);
  }
  // What start-up reads from the profile, in this process.
  store::CampaignProperties loaded() {
    TrapFixture fx;
    cipher::DatedPasswordCipher cipher(fx.trap);
    store::ProfileStore profile(folder / "Gold.dat", fx.trap);
    return store::loadProfileSettings(profile, cipher).campaign;
  }
};

TEST_F(SecretCommands, SetRefusesEverySecretKeyAndPointsToSetPassword) {
  for (const char* key : {"pass", "smtp_password", "Smtp_Password", "pop_oauth_refresh_token",
                          "smtp_oauth_client_secret"}) {
    CliResult r = cli({"set", "2", key, "clear text"});
    EXPECT_EQ(r.status, 1) << key;
    EXPECT_THAT(r.err, HasSubstr("set-password")) << key;
  }
  EXPECT_EQ(loaded().password, "first");
  EXPECT_EQ(readBytes(folder / "Gold.dat").find("clear text"), std::string::npos);
  EXPECT_EQ(cli({"set", "2", "smtp_account", "bob"}).status, 0);
}

TEST_F(SecretCommands, SetPasswordReadsTheFirstLineOfStandardInput) {
  struct Case {
    const char* input;
    const char* stored;
  };
  for (const Case& c : {Case{"new pass\n", "new pass"}, Case{"crlf pass\r\nignored\n", "crlf pass"},
                        Case{"no line end", "no line end"}}) {
    CliResult r = cli({"--today", "2027-01-02", "set-password", "pop3"}, c.input);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Saved enciphered in the profile\n");
    EXPECT_EQ(r.out.find(c.stored), std::string::npos);
    EXPECT_EQ(loaded().password, c.stored);
  }
  EXPECT_EQ(cli({"get", "1", "date"}).out, "1/2/2027\n");
  // Once a day, not once per command: the day the profile was made, and 1/2/2027.
  const std::string log = readBytes(folder / "errlog.txt");
  EXPECT_EQ(store::split(log, "The keyring was not available").size(), 3u) << log;
}

TEST_F(SecretCommands, WrongUsageAndEndedInput) {
  EXPECT_EQ(cli({"set-password", "imap"}, "x\n").status, 2);
  EXPECT_EQ(cli({"set-password"}, "x\n").status, 2);
  EXPECT_EQ(cli({"set-password", "pop3", "--password", "x"}, "x\n").status, 2);
  CliResult ended = cli({"set-password", "pop3"}, "");
  EXPECT_EQ(ended.status, 1);
  EXPECT_THAT(ended.err, HasSubstr("No password read"));
  EXPECT_EQ(loaded().password, "first");
}

// get shows of a secret only whether it is set and where: neither the clear value nor the
// stored (enciphered) one, for any spelling of the key.
TEST_F(SecretCommands, GetShowsWhetherASecretIsSetButNeverItsValue) {
  {
    TrapFixture fx;
    cipher::DatedPasswordCipher cipher(fx.trap);
    store::ProfileStore profile(folder / "Gold.dat", fx.trap);
    store::OAuthAccount a;
    a.token_url = "https://provider.example/token";
    a.client_id = "client";
    a.refresh_token = "rt-clear-refresh";
    ASSERT_TRUE(store::writeOAuthAccount(profile, cipher, "pop", a, "1/2/2027"));
    ASSERT_TRUE(
        profile.UpdateFile_new(store::kServerBlock, "smtp_oauth_client_secret", "keyring:"));
    ASSERT_TRUE(profile.UpdateFile_new(store::kFiltersBlock, "webkitkey", "kit-secret-stored"));
  }
  const std::string stored = readBytes(folder / "Gold.dat");
  // Keys that are not secrets (the client id) still show their value.
  const std::vector<std::array<const char*, 3>> cases = {
      {"2", "pass", "(set: enciphered)"},
      {"2", "PASS", "(set: enciphered)"},
      {"2", "pop_oauth_refresh_token", "(set: enciphered)"},
      {"2", "smtp_oauth_client_secret", "(set: in the keyring)"},
      {"2", "smtp_password", ""},
      {"4", "WebKitKey", "(set: enciphered)"},
      {"2", "pop_oauth_client_id", "client"}};
  for (const auto& [block, key, shown] : cases) {
    CliResult r = cli({"get", block, key});
    EXPECT_EQ(r.status, 0) << key;
    EXPECT_EQ(r.out, std::string(shown) + "\n") << key;
  }
  EXPECT_THAT(stored, HasSubstr("pop_oauth_refresh_token: "));
  EXPECT_EQ(stored.find("rt-clear-refresh"), std::string::npos);
}

// With an X display but no session bus (an ssh -X login, cron with DISPLAY set) the keyring is
// missing at once: no bus is started for the display, whose keyring would wait for a prompt.
TEST_F(SecretCommands, AnXDisplayWithoutASessionBusMeansNoKeyring) {
  // Making the profile has already said today that the keyring was missing, for another reason.
  std::filesystem::remove(folder / "keyring-unavailable");
  CliResult r = runCli(folder.path(), {"set-password", "pop3"}, "x display\n",
                       {"-u", "DBUS_SESSION_BUS_ADDRESS",
                        "XDG_RUNTIME_DIR=" + folder.path().string(), "DISPLAY=:77"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Saved enciphered in the profile\n");
  EXPECT_THAT(readBytes(folder / "errlog.txt"),
              HasSubstr("The keyring was not available (no D-Bus session bus is running)"));
  EXPECT_EQ(loaded().password, "x display");
}

}  // namespace
}  // namespace tidewell::testing
