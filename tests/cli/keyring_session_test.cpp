// Secrets in a real Secret Service (GNOME Keyring in a private D-Bus session, see
// keyring_session.sh): tidewell-cli stores them, this process reads them back as start-up does,
// and the profile keeps only references.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "cipher/dated_password_cipher.h"
#include "cipher/system_keyring.h"
#include "cli_runner.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_settings.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

class KeyringSession : public ::testing::Test {
 protected:
  CliResult cli(const std::vector<std::string>& args,
                const std::optional<std::string>& input = std::nullopt) {
    return runCli(folder.path(), args, input);
  }
  // What start-up reads, through the keyring as the programs use it.
  store::CampaignProperties loaded() {
    TrapFixture fx;
    cipher::DatedPasswordCipher enciphering(fx.trap);
    auto keyring = cipher::systemKeyring();
    store::KeyringPasswordCipher secrets(enciphering, keyring.get(), fx.trap);
    store::ProfileStore profile(folder / "Gold.dat", fx.trap);
    store::CampaignProperties c = store::loadProfileSettings(profile, secrets).campaign;
    EXPECT_EQ(fx.logLines(), std::vector<std::string>());
    return c;
  }
  TempFolder folder;
};

TEST_F(KeyringSession, SecretsSavedByOneProgramAreReadByAnotherAndNotKeptInTheProfile) {
  ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "run through keyring_session.sh";
  ASSERT_EQ(newGoldProfile(folder.path(), "list@example.com", "first secret").status, 0);
  EXPECT_EQ(cli({"get", "2", "pass"}).out, "(set: in the keyring)\n");
  EXPECT_EQ(loaded().password, "first secret");

  CliResult pop = cli({"set-password", "pop3"}, "second secret\n");
  ASSERT_EQ(pop.status, 0) << pop.err;
  EXPECT_EQ(pop.out, "Saved in the keyring\n");
  // The SMTP password is for the separate SMTP account only.
  CliResult refused = cli({"set-password", "smtp"}, "smtp secret\n");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("ServerAuthentication is not 2"), std::string::npos) << refused.err;
  ASSERT_EQ(cli({"set", "2", "ServerAuthentication", "2"}).status, 0);
  ASSERT_EQ(cli({"set", "2", "smtp_account", "bob"}).status, 0);
  ASSERT_EQ(cli({"set-password", "smtp"}, "smtp secret\n").status, 0);

  store::CampaignProperties c = loaded();
  EXPECT_EQ(c.password, "second secret");
  EXPECT_EQ(c.smtp_password, "smtp secret");
  const std::string profile = readBytes(folder / "Gold.dat");
  EXPECT_FALSE(std::regex_search(profile, std::regex("(pass|smtp_password): [0-9A-F]{64}")));
  EXPECT_EQ(profile.find("secret"), std::string::npos) << profile;
  EXPECT_EQ(readBytes(folder / "errlog.txt"), "");
}

}  // namespace
}  // namespace tidewell::testing
