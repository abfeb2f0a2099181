#include <gtest/gtest.h>

#include "editor/required_fields.h"
#include "editor/server_settings_editor.h"
#include "editor/server_timeout.h"
#include "editor_fixture.h"

namespace tidewell::editor {
namespace {

TEST(ServerTimeout, PositionsSecondsAndCaptions) {
  EXPECT_EQ(timeoutSeconds(0), 30);
  EXPECT_EQ(timeoutCaption(0), "30 seconds");
  EXPECT_EQ(timeoutSeconds(9), 300);
  EXPECT_EQ(timeoutCaption(9), "5 minutes");
  EXPECT_EQ(timeoutCaption(2), "1 minute 30 seconds");
  EXPECT_EQ(timeoutCaption(8), "4 minutes 30 seconds");
}

TEST(ServerTimeout, StoredSecondsToPositionRoundsAndStaysOnSlider) {
  EXPECT_EQ(timeoutPosition("60"), 1);
  EXPECT_EQ(timeoutPosition("!"), 1);
  EXPECT_EQ(timeoutPosition("100"), 2);  // 2.33 rounds down
  EXPECT_EQ(timeoutPosition("5"), 0);
  EXPECT_EQ(timeoutPosition("3000"), 9);
}

TEST(RequiredFields, ListsEmptyFieldsInPanelOrder) {
  RequiredServerFields f{"pop", "", "ann", "pw", "a@b.c", ""};
  EXPECT_EQ(missingRequiredFields(f),
            (std::vector<std::string>{"- Outgoing Mail (SMTP)", "- Reply Name"}));
  EXPECT_TRUE(missingRequiredFields({"p", "s", "a", "w", "e", "r"}).empty());
}

class ServerSettingsTest : public ::testing::Test {
 protected:
  ServerSettingsTest() {
    settings.account = "ann";
    settings.password = "secret";
    profile.clock().setToday({2027, 2, 3});
  }
  std::string server(const char* key) { return profile.get(2, key); }
  testing::EditorProfile profile;
  store::CampaignProperties settings;
  testing::TaggingCipher cipher;
  ServerSettingsEditor editor{profile.store(), settings, cipher, profile.clock()};
};

TEST_F(ServerSettingsTest, EmptyPasswordStoresEmptyAndStillRewritesDate) {
  editor.writePassword("");
  EXPECT_EQ(server("pass"), "");
  EXPECT_EQ(profile.get(1, "date"), "2/3/2027");
  editor.writePassword("n3w");
  EXPECT_EQ(server("pass"), "ENC(n3w,2/3/2027)");
  EXPECT_EQ(editor.view().password, "n3w");
  EXPECT_EQ(settings.password, "n3w");
}

TEST_F(ServerSettingsTest, LineUpdatesNeedTheOldValueAndKeepSettingsInStep) {
  EXPECT_TRUE(editor.writeSmtp("mail.example.org", "smtp.example.com"));
  EXPECT_EQ(server("smtp"), "mail.example.org");
  EXPECT_EQ(settings.smtp, "mail.example.org");
  // smtp stands before SMTPPort and smtp_account, which must not change.
  EXPECT_EQ(server("SMTPPort"), "25");
  EXPECT_FALSE(editor.writeEmail("x@y.z", "not-the-stored-value"));
  EXPECT_EQ(server("email"), "list@example.com");
}

TEST_F(ServerSettingsTest, AuthenticationOnCopiesPop3AccountOffEmptiesIt) {
  editor.setServerAuthentication(true);
  EXPECT_EQ(server("ServerAuthentication"), "1");
  EXPECT_EQ(server("smtp_account"), "ann");
  EXPECT_EQ(server("smtp_password"), "ENC(secret,2/3/2027)");
  EXPECT_EQ(profile.get(1, "date2"), "2/3/2027");
  EXPECT_EQ(profile.get(1, "date"), "12/5/2026");
  editor.setServerAuthentication(false);
  EXPECT_EQ(server("ServerAuthentication"), "0");
  EXPECT_EQ(server("smtp_account"), "");
  EXPECT_EQ(server("smtp_password"), "");
  EXPECT_EQ(settings.ServerAuthentication, 0);
}

TEST_F(ServerSettingsTest, OutgoingDialogRefusesEmptyAccountAndStoresEmptyPassword) {
  auto refused = editor.confirmOutgoing({false, "", "pw", true});
  ASSERT_TRUE(refused);
  EXPECT_EQ(*refused, "Please enter your account name for logging onto this server");
  EXPECT_EQ(server("ServerAuthentication"), "!");
  EXPECT_FALSE(editor.confirmOutgoing({false, "smtpuser", "", true}));
  EXPECT_EQ(server("ServerAuthentication"), "2");
  EXPECT_EQ(server("smtp_account"), "smtpuser");
  EXPECT_EQ(server("smtp_password"), "");
  EXPECT_EQ(server("SMTPSPA"), "1");
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
  editor.setPopSsl(true);
  editor.setSmtpSsl(true);
  EXPECT_EQ(editor.setTimeoutPosition(9), "5 minutes");
  EXPECT_EQ(server("server_timeout"), "300");
  editor.writePop3("pop.other.org");
  editor.useDefaults();
  EXPECT_EQ(server("PopPort"), "110");
  EXPECT_EQ(server("POPSSL"), "0");
  EXPECT_EQ(server("SMTPSSL"), "0");
  EXPECT_EQ(server("server_timeout"), "60");
  EXPECT_EQ(server("pop3"), "pop.other.org");
  EXPECT_EQ(settings.pop_port, "110");
  EXPECT_EQ(settings.server_timeout, 60);
  EXPECT_EQ(editor.view().timeoutPosition, 1);
}

}  // namespace
}  // namespace tidewell::editor
