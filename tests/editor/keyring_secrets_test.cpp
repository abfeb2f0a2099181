// The profile's secrets through the keyring cipher, with an in-memory keyring: what the profile
// holds, what start-up and the server settings panel read back, and the fallback when the
// keyring fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "editor/server_settings_editor.h"
#include "editor_fixture.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_settings.h"
#include "store/text.h"

namespace tidewell::editor {
namespace {

using ::testing::HasSubstr;

// A keyring in memory that can be switched off like a missing Secret Service.
class MemoryKeyring : public store::SecretStore {
 public:
  std::optional<std::string> read(const std::string& account, std::string& error) override {
    if (!running) return fail(error);
    auto found = entries.find(account);
    if (found == entries.end()) return std::nullopt;
    return found->second;
  }
  bool write(const std::string& account, const std::string& secret, std::string& error) override {
    if (!running) return fail(error).has_value();
    entries[account] = secret;
    return true;
  }
  bool remove(const std::string& account, std::string& error) override {
    if (!running) return fail(error).has_value();
    entries.erase(account);
    return true;
  }
  std::optional<std::string> fail(std::string& error) {
    error = "no Secret Service";
    return std::nullopt;
  }

  bool running = true;
  std::map<std::string, std::string> entries;
};

class KeyringSecretsTest : public ::testing::Test {
 protected:
  KeyringSecretsTest() {
    settings.account = "ann";
    profile.clock().setToday({2027, 2, 3});
  }
  std::string server(const char* key) { return profile.get(2, key); }
  std::string account(const char* key) { return store::keyringAccount({profile.path(), key}); }
  std::vector<std::string> keyringLogLines() {
    std::vector<std::string> lines;
    const std::filesystem::path log = profile.folder() / "errlog.txt";
    if (!std::filesystem::exists(log)) return lines;
    for (const std::string& line : store::splitLines(tidewell::testing::readBytes(log)))
      if (line.rfind("Keyring:", 0) == 0) lines.push_back(line);
    return lines;
  }
  store::CampaignProperties loaded() {
    return store::loadProfileSettings(profile.store(), secrets).campaign;
  }

  testing::EditorProfile profile;
  store::CampaignProperties settings;
  testing::TaggingCipher enciphering;
  MemoryKeyring keyring;
  store::KeyringPasswordCipher secrets{enciphering, &keyring, profile.trap()};
  ServerSettingsEditor editor{profile.store(), settings, secrets, profile.clock()};
};

TEST_F(KeyringSecretsTest, PasswordsGoToTheKeyringAndTheProfileHoldsOnlyAReference) {
  editor.writePassword("pop secret");
  editor.confirmOutgoing({false, "smtpuser", "smtp secret", false});
  EXPECT_EQ(server("pass"), "keyring:");
  EXPECT_EQ(server("smtp_password"), "keyring:");
  EXPECT_EQ(keyring.entries.at(account("pass")), "pop secret");
  EXPECT_EQ(keyring.entries.at(account("smtp_password")), "smtp secret");
  EXPECT_THAT(account("pass"), ::testing::EndsWith("Gold.dat#pass"));
  EXPECT_EQ(editor.view().password, "pop secret");
  store::CampaignProperties c = loaded();
  EXPECT_EQ(c.password, "pop secret");
  EXPECT_EQ(c.smtp_password, "smtp secret");
  EXPECT_TRUE(keyringLogLines().empty());
}

TEST_F(KeyringSecretsTest, AnOlderEncipheredPasswordIsReadAndMovesToTheKeyringWhenSaved) {
  profile.store().UpdateFile_new(2, "pass", "ENC(old,12/5/2026)");
  EXPECT_EQ(editor.view().password, "old");
  EXPECT_EQ(loaded().password, "old");
  EXPECT_TRUE(keyring.entries.empty());
  editor.writePassword("old");
  EXPECT_EQ(server("pass"), "keyring:");
  EXPECT_EQ(loaded().password, "old");
}

TEST_F(KeyringSecretsTest, EmptiedPasswordsLeaveNoKeyringEntry) {
  editor.writePassword("pop secret");
  settings.password = "pop secret";
  editor.setServerAuthentication(true);
  ASSERT_EQ(keyring.entries.size(), 2u);
  editor.setServerAuthentication(false);
  editor.writePassword("");
  EXPECT_EQ(server("pass"), "");
  EXPECT_EQ(server("smtp_password"), "");
  EXPECT_TRUE(keyring.entries.empty());
}

TEST_F(KeyringSecretsTest, WithoutAKeyringSecretsAreEncipheredAndThatIsLoggedOnce) {
  keyring.running = false;
  editor.writePassword("pop secret");
  editor.confirmOutgoing({false, "smtpuser", "smtp secret", false});
  EXPECT_EQ(server("pass"), "ENC(pop secret,2/3/2027)");
  EXPECT_EQ(server("smtp_password"), "ENC(smtp secret,2/3/2027)");
  std::vector<std::string> lines = keyringLogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("The keyring was not available (no Secret Service)"));
  EXPECT_EQ(loaded().smtp_password, "smtp secret");
}

TEST_F(KeyringSecretsTest, AReferenceTheKeyringCannotAnswerReadsEmptyAndSaysSo) {
  editor.writePassword("pop secret");
  struct Case {
    const char* what;
    bool running;
    const char* logged;
  };
  for (const Case& c : {Case{"entry gone", true, "it holds no entry"},
                        Case{"keyring down", false, "no Secret Service"}}) {
    keyring.entries.clear();
    keyring.running = c.running;
    EXPECT_EQ(loaded().password, "") << c.what;
    ASSERT_FALSE(keyringLogLines().empty()) << c.what;
    EXPECT_THAT(keyringLogLines().back(), HasSubstr(c.logged)) << c.what;
    EXPECT_THAT(keyringLogLines().back(), HasSubstr("enter it again")) << c.what;
  }
}

TEST(SecretKeys, PasswordsAndOAuthSecretsAreSecretsWhateverTheirCase) {
  for (const char* key :
       {"pass", "PASS", "smtp_password", "pop_oauth_refresh_token", "smtp_oauth_client_secret"})
    EXPECT_TRUE(store::isSecretKey(key)) << key;
  for (const char* key : {"password", "smtp_account", "pop_oauth_client_id", "passes"})
    EXPECT_FALSE(store::isSecretKey(key)) << key;
}

}  // namespace
}  // namespace tidewell::editor
