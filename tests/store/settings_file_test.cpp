#include "store/settings_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/profile_model.h"
#include "store/profile_settings.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::store {
namespace {

using ::testing::ElementsAre;

class SettingsFileTest : public ::testing::Test {
 protected:
  testing::TrapFixture fx;
  SettingsFile settings{fx.folder.path(), fx.trap};
};

TEST_F(SettingsFileTest, FirstRunWritesTheElevenLinesAndOpensNothing) {
  ASSERT_TRUE(settings.Create_INI_File());
  std::string folder = folderText(fx.folder.path());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(testing::readBytes(settings.path()),
            testing::crlf({"program_properties_start", "index: 0", "name: program_startup_start",
                           "path: " + folder, "apppath: " + folder, "startfile: ",
                           "valid_close: true", "grid: " + std::string(kDefaultGridText),
                           "date: 12/5/2026", "version: 3.3", "program_properties_end"}));
  EXPECT_EQ(settings.currentProfilePath(), std::nullopt);
  std::string before = testing::readBytes(settings.path());
  ASSERT_TRUE(settings.Create_INI_File());  // present: left alone
  EXPECT_EQ(testing::readBytes(settings.path()), before);
}

TEST_F(SettingsFileTest, OpeningAProfileElsewhereRemembersItsFileAndFolder) {
  settings.Create_INI_File();
  std::filesystem::create_directory(fx.folder / "Lists");
  testing::writeBytes(fx.folder / "Lists" / "Gold.dat", testing::crlf({"x"}));
  ASSERT_TRUE(settings.s_load_dat_file(fx.folder / "Lists" / "Gold.dat"));
  ProfileStore ini(settings.path(), fx.trap);
  EXPECT_EQ(ini.GetFromFile_new(0, "startfile"), "Gold.dat");
  EXPECT_EQ(ini.GetFromFile_new(0, "path"), (fx.folder / "Lists").string() + "/");
  EXPECT_EQ(settings.profileFolder(), fx.folder / "Lists/");
  EXPECT_EQ(settings.currentProfilePath(), fx.folder / "Lists/" / "Gold.dat");
}

TEST_F(SettingsFileTest, MissingProfileOrFolderMeansNoProfileAndNoError) {
  settings.Create_INI_File();
  ProfileStore ini(settings.path(), fx.trap);
  ini.UpdateFile_new(0, "startfile", "Gone.dat");
  EXPECT_EQ(settings.currentProfilePath(), std::nullopt);
  ini.UpdateFile_new(0, "path", "/no/such/folder/");
  EXPECT_EQ(settings.currentProfilePath(), std::nullopt);
  ini.UpdateFile_new(0, "path", "");
  testing::writeBytes(fx.folder / "Gone.dat", "");
  EXPECT_EQ(settings.currentProfilePath(), fx.folder / "Gone.dat");  // empty path: program folder
  EXPECT_TRUE(fx.logLines().empty());
}

class ProfileSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.Create_INI_File();
    auto created = createProfile(testing::goldFields(), settings, cipher);
    ASSERT_TRUE(created.profilePath);
    store = std::make_unique<ProfileStore>(*created.profilePath, fx.trap);
  }
  testing::TrapFixture fx;
  SettingsFile settings{fx.folder.path(), fx.trap};
  testing::TaggingCipher cipher;
  std::unique_ptr<ProfileStore> store;
};

TEST_F(ProfileSettingsTest, StartUpReadsDefaultsAndDeciphersPasswords) {
  ProfileSettings s = loadProfileSettings(*store, cipher);
  EXPECT_EQ(s.lastEmailId, "!");
  EXPECT_TRUE(s.deactivate);
  EXPECT_EQ(s.fieldDelimiter, "~");
  EXPECT_FALSE(s.deleteAfterDownload);
  EXPECT_EQ(s.totalEmailsSent, 0);
  EXPECT_EQ(s.campaign.password, "secret");
  EXPECT_EQ(s.campaign.timer_mins, "5");
  EXPECT_EQ(s.campaign.smtp_account, "");  // no SMTP password stored: no SMTP log-in
  EXPECT_EQ(s.campaign.ServerAuthentication, 0);

  store->UpdateFile_new(1, "date2", "12/5/2026");
  store->UpdateFile_new(2, "smtp_account", "bob");
  store->UpdateFile_new(2, "smtp_password", "ENC(hush,12/5/2026)");
  store->UpdateFile_new(2, "SMTPSSL", "1");
  s = loadProfileSettings(*store, cipher);
  EXPECT_EQ(s.campaign.smtp_account, "bob");
  EXPECT_EQ(s.campaign.smtp_password, "hush");
  EXPECT_EQ(s.campaign.SMTPSSL, 1);
}

TEST_F(ProfileSettingsTest, MissingDelimiterIsWrittenAndBadNumbersKeepDefaults) {
  store->DeleteFromFile_new(4, "fielddelimiter");
  store->DeleteFromFile_new(4, "deactivate");
  store->UpdateFile_new(3, "totalemailssent", "lots");
  ProfileSettings s = loadProfileSettings(*store, cipher);
  EXPECT_EQ(s.fieldDelimiter, "~");
  EXPECT_FALSE(s.deactivate);
  EXPECT_EQ(s.totalEmailsSent, 0);
  auto lines = splitLines(testing::readBytes(store->path()));
  auto end = std::find(lines.begin(), lines.end(), "inbound_properties_end");
  EXPECT_EQ(*(end - 1), "fielddelimiter: ~");
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_EQ(fx.logLines()[0].rfind("Form_Load 12/5/2026", 0), 0u);
}

TEST_F(ProfileSettingsTest, ShutDownRenumbersSavesAndWritesBack) {
  ProfileModel(*store).cmdNewInbound_Click("Filters");
  store->DeleteNode(5);
  bool saved = false;
  shutDownProfile(*store, settings, {"%%", "custom grid,"}, [&] { saved = true; });
  EXPECT_TRUE(saved);
  EXPECT_EQ(store->GetFromFile_new(4, "fielddelimiter"), "%%");
  EXPECT_EQ(settings.gridText(), "custom grid,");
  EXPECT_NE(testing::readBytes(store->path()).substr(testing::readBytes(store->path()).size() - 4),
            "\r\n\r\n");
}

}  // namespace
}  // namespace tidewell::store
