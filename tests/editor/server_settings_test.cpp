// The server settings editor: timeouts, whole numbers, the outgoing account, and the secrets
// through the keyring cipher with an in-memory keyring (what the profile holds, what start-up
// reads back, the fallback when the keyring fails).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "editor/server_settings_editor.h"
#include "editor/server_timeout.h"
#include "editor/whole_number_setting.h"
#include "editor_fixture.h"
#include "store/keyring_password_cipher.h"
#include "store/profile_settings.h"

namespace tidewell::editor {
namespace {

using ::testing::HasSubstr;

TEST(ServerTimeout, PositionsSecondsCaptionsAndStoredSecondsBack) {
  for (auto [position, seconds, caption] : {std::tuple{0, 30, "30 seconds"},
                                            {2, 90, "1 minute 30 seconds"},
                                            {8, 270, "4 minutes 30 seconds"},
                                            {9, 300, "5 minutes"}}) {
    EXPECT_EQ(timeoutSeconds(position), seconds);
    EXPECT_EQ(timeoutCaption(position), caption);
  }
  // Rounded, and never off the slider; an absent value is the default minute.
  for (auto [stored, position] :
       {std::pair{"60", 1}, {"!", 1}, {"100", 2}, {"5", 0}, {"3000", 9}}) {
    EXPECT_EQ(timeoutPosition(stored), position) << stored;
  }
}

class ServerSettingsTest : public ::testing::Test {
 protected:
  ServerSettingsTest() {
    settings.account = "ann";
    settings.password = "secret";
    profile.clock.setToday({2027, 2, 3});
  }
  std::string server(const char* key) { return profile.get(2, key); }
  testing::EditorProfile profile;
  store::CampaignProperties settings;
  testing::TaggingCipher cipher;
  ServerSettingsEditor editor{profile.store, settings, cipher, profile.clock};
};

TEST_F(ServerSettingsTest, WholeNumberSettingsTakeEmptyOrANumberInRange) {
  struct Case {
    WholeNumberKey key;
    std::string text;
    bool written;
    std::string stored;  // after the write
  };
  const std::vector<Case> cases = {
      {kCapPerMinute, " 50 ", true, "50"}, {kCapPerMinute, "", true, ""},
      {kCapPerHour, "0", true, "0"},       {kCapPerHour, "-1", false, "0"},
      {kCapPerDay, "1e3", false, ""},      {kCatchUpDays, "3", true, "3"},
      {kCatchUpDays, "3651", false, "3"},  {kConnections, "0", false, ""},
      {kConnections, "8", true, "8"},
  };
  EXPECT_EQ(shownWholeNumber(profile.store, kCapPerDay), "");  // absent
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key.key) + " <- " + c.text);
    EXPECT_EQ(writeWholeNumber(profile.store, c.key, c.text), c.written);
    EXPECT_EQ(shownWholeNumber(profile.store, c.key), c.stored);
  }
}

TEST_F(ServerSettingsTest, EmptyPasswordStoresEmptyAndStillRewritesDate) {
  editor.writePassword("");
  EXPECT_EQ(server("pass"), "");
  EXPECT_EQ(profile.get(1, "date"), "2/3/2027");
  EXPECT_EQ(settings.password, "");
}

TEST_F(ServerSettingsTest, LineUpdatesNeedTheOldValue) {
  EXPECT_TRUE(editor.writeSmtp("mail.example.org", "smtp.example.com"));
  // smtp stands before SMTPPort and smtp_account, which must not change.
  EXPECT_EQ(server("SMTPPort"), "25");
  EXPECT_FALSE(editor.writeEmail("x@y.z", "not-the-stored-value"));
  EXPECT_EQ(server("email"), "list@example.com");
}

TEST_F(ServerSettingsTest, TaggedReturnPathIsOffUntilTickedAndKeptInStep) {
  EXPECT_FALSE(editor.view().verp);
  editor.setVerp(true);
  EXPECT_EQ(server("verp"), "true");
  EXPECT_TRUE(settings.verp);
  EXPECT_TRUE(editor.view().verp);
  editor.setVerp(false);
  EXPECT_EQ(server("verp"), "false");
  EXPECT_FALSE(settings.verp);
}

TEST_F(ServerSettingsTest, AuthenticationOnCopiesPop3AccountOffEmptiesIt) {
  editor.setServerAuthentication(true);
  EXPECT_EQ(server("smtp_password"), "ENC(secret,2/3/2027)");
  EXPECT_EQ(profile.get(1, "date2"), "2/3/2027");
  EXPECT_EQ(profile.get(1, "date"), "12/5/2026");
  editor.setServerAuthentication(false);
  EXPECT_EQ(server("ServerAuthentication"), "0");
  EXPECT_EQ(server("smtp_account"), "");
  EXPECT_EQ(server("smtp_password"), "");
  EXPECT_EQ(settings.ServerAuthentication, 0);
}

TEST_F(ServerSettingsTest, OutgoingDialogRefusalWritesNothingAndEmptyPasswordStaysEmpty) {
  EXPECT_TRUE(editor.confirmOutgoing({false, "", "pw", true}));
  EXPECT_EQ(server("ServerAuthentication"), "!");
  EXPECT_FALSE(editor.confirmOutgoing({false, "smtpuser", "", true}));
  EXPECT_EQ(server("smtp_password"), "");
  EXPECT_EQ(settings.SMTPSPA, 1);
  auto reopened = editor.outgoingOnOpening();
  EXPECT_FALSE(reopened.useIncomingAccount);
  EXPECT_EQ(reopened.account, "smtpuser");
}

TEST_F(ServerSettingsTest, OutgoingSameAsIncomingUsesPop3Account) {
  EXPECT_FALSE(editor.confirmOutgoing({true, "ignored", "ignored", true}));
  EXPECT_EQ(server("ServerAuthentication"), "1");
  EXPECT_EQ(server("smtp_account"), "ann");
  EXPECT_EQ(server("smtp_password"), "ENC(secret,2/3/2027)");
  EXPECT_EQ(server("SMTPSPA"), "0");
  EXPECT_TRUE(editor.outgoingOnOpening().useIncomingAccount);
  EXPECT_EQ(editor.outgoingOnOpening().account, "");
}

TEST_F(ServerSettingsTest, UseDefaultsResetsOnlyPortsSslAndTimeout) {
  editor.writePopPort("995");
  editor.setSmtpSsl(true);
  editor.setTimeoutPosition(9);
  editor.writePop3("pop.other.org");
  profile.store.UpdateFile_new(2, "SMTPPort", "587");
  profile.store.UpdateFile_new(2, "POPSSL", "1");
  EXPECT_TRUE(editor.useDefaults());
  EXPECT_EQ(server("PopPort"), "110");
  EXPECT_EQ(server("SMTPPort"), "25");
  EXPECT_EQ(server("POPSSL"), "0");
  EXPECT_EQ(server("SMTPSSL"), "0");
  EXPECT_EQ(server("pop3"), "pop.other.org");
  EXPECT_EQ(settings.pop_port, "110");
  EXPECT_EQ(settings.server_timeout, 60);
}

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

// The same editor on the keyring cipher; no POP3 password is known yet.
class KeyringSecretsTest : public ServerSettingsTest {
 protected:
  KeyringSecretsTest() { settings.password.clear(); }
  std::string account(const char* key) {
    return store::keyringAccount({profile.store.path(), key});
  }
  std::vector<std::string> keyringLogLines() {
    std::vector<std::string> lines;
    for (const std::string& line : profile.logLines())
      if (line.rfind("Keyring:", 0) == 0) lines.push_back(line);
    return lines;
  }
  store::CampaignProperties loaded() {
    return store::loadProfileSettings(profile.store, secrets).campaign;
  }

  MemoryKeyring keyring;
  store::KeyringPasswordCipher secrets{cipher, &keyring, profile.trap};
  ServerSettingsEditor editor{profile.store, settings, secrets, profile.clock};
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
  profile.store.UpdateFile_new(2, "pass", "ENC(old,12/5/2026)");
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
