// set-password and the refusal of secrets on set, without a keyring (the tests' D-Bus address
// leads nowhere): the password is enciphered into the profile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "cipher/dated_password_cipher.h"
#include "cli_runner.h"
#include "store/oauth_account.h"
#include "store/profile_settings.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

class SecretCommands : public ::testing::Test {
 protected:
  // Whatever session the tests run in, the programs they start find no keyring.
  static void SetUpTestSuite() { setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1); }
  SecretCommands() {
    EXPECT_EQ(newGoldProfile(folder.path(), "list@example.com", "first").status, 0);
  }
  CliResult cli(const std::vector<std::string>& args,
                const std::optional<std::string>& input = std::nullopt) {
    return runCli(folder.path(), args, input);
  }
  // What start-up reads from the profile, in this process.
  store::CampaignProperties loaded() {
    TrapFixture fx;
    cipher::DatedPasswordCipher cipher(fx.trap);
    store::ProfileStore profile(folder / "Gold.dat", fx.trap);
    return store::loadProfileSettings(profile, cipher).campaign;
  }
  TempFolder folder;
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
  struct Case {
    const char* key;
    const char* shown;
  };
  for (const Case& c :
       {Case{"pass", "(set: enciphered)"}, Case{"PASS", "(set: enciphered)"},
        Case{"pop_oauth_refresh_token", "(set: enciphered)"},
        Case{"smtp_oauth_client_secret", "(set: in the keyring)"}, Case{"smtp_password", ""}}) {
    CliResult r = cli({"get", "2", c.key});
    EXPECT_EQ(r.status, 0) << c.key;
    EXPECT_EQ(r.out, std::string(c.shown) + "\n") << c.key;
  }
  EXPECT_EQ(cli({"get", "4", "WebKitKey"}).out, "(set: enciphered)\n");
  // Keys that are not secrets still show their value.
  EXPECT_EQ(cli({"get", "2", "pop_oauth_client_id"}).out, "client\n");
  EXPECT_THAT(stored, HasSubstr("pop_oauth_refresh_token: "));
  EXPECT_EQ(stored.find("rt-clear-refresh"), std::string::npos);
}

// With an X display but no session bus (an ssh -X login, cron with DISPLAY set) the keyring is
// missing at once: no bus is started for the display, whose keyring would wait for a prompt.
TEST_F(SecretCommands, AnXDisplayWithoutASessionBusMeansNoKeyring) {
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
  for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "DISPLAY"}) {
    const char* value = std::getenv(name);
    saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
  setenv("DISPLAY", ":77", 1);
  // Making the profile has already said today that the keyring was missing, for another reason.
  std::filesystem::remove(folder / "keyring-unavailable");
  CliResult r = cli({"set-password", "pop3"}, "x display\n");
  for (const auto& [name, value] : saved) {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Saved enciphered in the profile\n");
  EXPECT_THAT(readBytes(folder / "errlog.txt"),
              HasSubstr("The keyring was not available (no D-Bus session bus is running)"));
  EXPECT_EQ(loaded().password, "x display");
}

}  // namespace
}  // namespace tidewell::testing
