// A profile's life: the settings file that remembers it, the new-profile wizard, new filters
// and newsletters, the settings read at start-up and written at shut-down, and renaming.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/profile_model.h"
#include "store/profile_rename.h"
#include "store/profile_settings.h"
#include "store/settings_file.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::store {
namespace {

using testing::goldFields;
using testing::readBytes;
using testing::writeBytes;

class ProfileModelTest : public ::testing::Test {
 protected:
  std::filesystem::path createGold() {
    auto result = createProfile(goldFields(), settings, cipher);
    EXPECT_FALSE(result.refusal);
    return result.profilePath.value_or(std::filesystem::path());
  }
  testing::TrapFixture fx;
  SettingsFile settings{fx.folder.path(), fx.trap};
  testing::TaggingCipher cipher;
};

TEST_F(ProfileModelTest, FirstRunWritesTheElevenLinesThenTheSettingsRememberTheProfileOpened) {
  ASSERT_TRUE(settings.Create_INI_File());
  std::string folder = folderText(fx.folder.path());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(readBytes(settings.path()),
            testing::crlf({"program_properties_start", "index: 0", "name: program_startup_start",
                           "path: " + folder, "apppath: " + folder, "startfile: ",
                           "valid_close: true", "grid: " + std::string(kDefaultGridText),
                           "date: 12/5/2026", "version: 3.3", "program_properties_end"}));
  EXPECT_EQ(settings.currentProfilePath(), std::nullopt);
  std::string before = readBytes(settings.path());
  ASSERT_TRUE(settings.Create_INI_File());  // present: left alone
  EXPECT_EQ(readBytes(settings.path()), before);
  // Opening a profile elsewhere remembers its file and folder; a missing one means none.
  std::filesystem::create_directory(fx.folder / "Lists");
  writeBytes(fx.folder / "Lists" / "Gold.dat", testing::crlf({"x"}));
  ASSERT_TRUE(settings.s_load_dat_file(fx.folder / "Lists" / "Gold.dat"));
  ProfileStore ini(settings.path(), fx.trap);
  EXPECT_EQ(ini.GetFromFile_new(0, "startfile"), "Gold.dat");
  EXPECT_EQ(ini.GetFromFile_new(0, "path"), (fx.folder / "Lists").string() + "/");
  EXPECT_EQ(settings.currentProfilePath(), fx.folder / "Lists/" / "Gold.dat");
  // A missing profile or folder means no profile, and no error.
  ini.UpdateFile_new(0, "startfile", "Gone.dat");
  EXPECT_EQ(settings.currentProfilePath(), std::nullopt);
  ini.UpdateFile_new(0, "path", "/no/such/folder/");
  EXPECT_EQ(settings.currentProfilePath(), std::nullopt);
  ini.UpdateFile_new(0, "path", "");
  writeBytes(fx.folder / "Gone.dat", "");
  EXPECT_EQ(settings.currentProfilePath(), fx.folder / "Gone.dat");  // empty path: program folder
  EXPECT_TRUE(fx.logLines().empty());
}

TEST_F(ProfileModelTest, NewProfileIsTheSkeletonFilledByFinish) {
  auto path = createGold();
  ASSERT_EQ(path, fx.folder / "Gold.dat");
  // Blocks are parted by empty lines, every line ends in CR LF.
  const std::string expected =
      "user_properties_start\nindex: 1\nname: user_properties_start\ntitle: Gold\n"
      "date: 12/5/2026\nuser_properties_end\n\n"
      "campaign_properties_start\nindex: 2\nname: campaign_properties_start\n"
      "title: Server Settings\nparent: Gold\npop3: pop.example.com\nsmtp: smtp.example.com\n"
      "account: ann\npass: ENC(secret,12/5/2026)\nmins: 5\nemail: list@example.com\n"
      "reply: reply@example.com\ndelete: false\nSMTPPort: 25\nPopPort: 110\nPOPSSL: 0\n"
      "SMTPSSL: 0\nserver_timeout: 60\ncampain_properties_end\n\n"
      "outbound_properties_start\nindex: 3\nname: outbound_properties_start\n"
      "title: Newsletters\nparent: Server Settings\ntotalemailssent: 0\n"
      "outbound_properties_end\n\n"
      "inbound_properties_start\nindex: 4\nname: inbound_properties_start\ntitle: Filters\n"
      "parent: Server Settings\nfielddelimiter: ~\ndeactivate: true\ninbound_properties_end\n\n";
  EXPECT_EQ(readBytes(path), testing::crlf(splitLines(expected)));
  EXPECT_EQ(settings.currentProfilePath(), path);
}

TEST_F(ProfileModelTest, WizardRefusesEmptyFieldsPageByPageExistingProfilesAndUnsafeTitles) {
  NewProfileFields f = goldFields();
  f.reply.clear();
  f.smtp.clear();
  auto refusal = checkWizardPage(2, f);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->message + "|" + refusal->caption, "Reply Address is blank.|Email Address");
  EXPECT_FALSE(checkWizardPage(1, f));
  auto result = createProfile(f, settings, cipher);
  ASSERT_TRUE(result.refusal);
  EXPECT_EQ(result.refusal->message, "Reply Address is blank.");  // the first failing page
  EXPECT_FALSE(std::filesystem::exists(fx.folder / "Gold.dat"));
  EXPECT_EQ(checkWizardPage(4, NewProfileFields{})->message, "Account Name is blank.");
  // An existing profile and unsafe titles are refused without writing.
  auto path = createGold();
  std::string before = readBytes(path);
  auto again = createProfile(goldFields(), settings, cipher);
  ASSERT_TRUE(again.refusal);
  EXPECT_EQ(again.refusal->message, "A profile named Gold already exists.");
  EXPECT_EQ(readBytes(path), before);
  for (std::string title : {"../escape", "a/b", "two\nlines"}) {
    NewProfileFields f = goldFields();
    f.title = title;
    EXPECT_TRUE(createProfile(f, settings, cipher).refusal) << title;
  }
  EXPECT_FALSE(std::filesystem::exists(fx.folder.path().parent_path() / "escape.dat"));
}

TEST_F(ProfileModelTest, NewFiltersNumberAfterTheLargestNumericSuffix) {
  ProfileStore store(createGold(), fx.trap);
  ProfileModel model(store);
  EXPECT_EQ(model.cmdNewInbound_Click("Filters")->title, "Filter_1");
  model.cmdNewInbound_Click("Filters");  // Filter_2
  ASSERT_TRUE(store.UpdateFile("title: Filter_3", "Filter_1", 5));
  ASSERT_TRUE(store.UpdateFile("title: Filter_x", "Filter_2", 6));
  auto third = model.cmdNewInbound_Click("Filters");
  ASSERT_TRUE(third);
  EXPECT_EQ(third->title, "Filter_4");
  EXPECT_EQ(third->index, 7);
  std::string fields = store.GetFromFile_new(7, "fields");
  EXPECT_EQ(fields.rfind("email:Email Address:on,name:Name:on,_::off,", 0), 0u);
  EXPECT_EQ(split(fields, ",").size(), 42u);  // 41 entries, each ended by a comma
  std::string keys = store.GetFromFile_new(7, "extractkeys");
  EXPECT_EQ(keys.size(), 40 * std::string("[\\/][\\/][\\/]off[\\/][/\\]").size());
  EXPECT_EQ(store.GetFromFile_new(7, "parent"), "Filters");
  EXPECT_EQ(store.GetFromFile_new(7, "redirect"), "");
}

TEST_F(ProfileModelTest, NewNewslettersGoBeforeTheFirstFilterWithTheNextNumber) {
  ProfileStore store(createGold(), fx.trap);
  ProfileModel model(store);
  EXPECT_EQ(model.cmdNewNewsletter_Click("Newsletters")->title, "New Newsletter #1");
  auto afterFirst = testing::readLines(store.path());
  EXPECT_EQ(afterFirst[afterFirst.size() - 2], "newsletter_properties_end");  // appended
  model.cmdNewInbound_Click("Filters");                                       // index 6
  ASSERT_TRUE(store.UpdateFile("title: New Newsletter #7", "New Newsletter #1", 5));
  ASSERT_TRUE(store.UpdateFile_new(6, "title", "New Newsletter #2"));  // a filter: not counted
  auto next = model.cmdNewNewsletter_Click("Newsletters");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->title, "New Newsletter #8");
  EXPECT_EQ(next->index, 7);
  auto all = testing::readLines(store.path());
  auto block = std::find(all.begin(), all.end(), "title: New Newsletter #8");
  auto filter = std::find(all.begin(), all.end(), "rule_properties_start");
  EXPECT_LT(block, filter);
  EXPECT_EQ(store.GetFromFile_new(7, "rule"), "No Rule Assigned");
  ASSERT_TRUE(store.UpdateFile("title: New Newsletter #9b", "New Newsletter #8", 7));
  EXPECT_EQ(model.cmdNewNewsletter_Click("Newsletters")->title, "New Newsletter #8");
}

TEST_F(ProfileModelTest, StartUpReadsSettingsAndWritesAMissingDelimiterShutDownWritesBack) {
  ProfileStore store(createGold(), fx.trap);
  ProfileSettings s = loadProfileSettings(store, cipher);
  EXPECT_TRUE(s.deactivate);
  EXPECT_EQ(s.fieldDelimiter, "~");
  EXPECT_EQ(s.campaign.password, "secret");
  EXPECT_EQ(s.campaign.smtp_account, "");  // no SMTP password stored: no SMTP log-in

  store.UpdateFile_new(1, "date2", "12/5/2026");
  store.UpdateFile_new(2, "smtp_account", "bob");
  store.UpdateFile_new(2, "smtp_password", "ENC(hush,12/5/2026)");
  store.UpdateFile_new(2, "SMTPSSL", "1");
  s = loadProfileSettings(store, cipher);
  EXPECT_EQ(s.campaign.smtp_account, "bob");
  EXPECT_EQ(s.campaign.smtp_password, "hush");
  EXPECT_EQ(s.campaign.SMTPSSL, 1);
  // A missing delimiter is written back; bad numbers keep their defaults.
  store.DeleteFromFile_new(4, "fielddelimiter");
  store.DeleteFromFile_new(4, "deactivate");
  store.UpdateFile_new(3, "totalemailssent", "lots");
  s = loadProfileSettings(store, cipher);
  EXPECT_EQ(s.fieldDelimiter, "~");
  EXPECT_FALSE(s.deactivate);
  EXPECT_EQ(s.totalEmailsSent, 0);
  auto lines = splitLines(readBytes(store.path()));
  auto end = std::find(lines.begin(), lines.end(), "inbound_properties_end");
  EXPECT_EQ(*(end - 1), "fielddelimiter: ~");
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_EQ(fx.logLines()[0].rfind("Form_Load 12/5/2026", 0), 0u);
  // Shut-down renumbers, saves and writes back.
  ProfileModel(store).cmdNewInbound_Click("Filters");
  store.DeleteNode(5);
  bool saved = false;
  shutDownProfile(store, settings, {"%%", "custom grid,"}, [&] { saved = true; });
  EXPECT_TRUE(saved);
  EXPECT_EQ(store.GetFromFile_new(4, "fielddelimiter"), "%%");
  EXPECT_EQ(settings.gridText(), "custom grid,");
  EXPECT_NE(readBytes(store.path()).substr(readBytes(store.path()).size() - 4), "\r\n\r\n");
}

TEST_F(ProfileModelTest, RenameTakesTheSubscriberFileAndTheReferencesWithItOrChangesNothing) {
  ProfileStore profile(createGold(), fx.trap);
  writeBytes(fx.folder / "Gold.txt", "ann@x.com\r\n");
  writeBytes(fx.folder / "Silver.txt", "someone else's\r\n");
  for (const char* bad : {"", "  ", "a/b", "..", "Silver", "Server Settings"}) {
    SCOPED_TRACE(bad);
    auto refused = renameProfileTitle(profile, fx.folder.path(), "Gold", bad);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->caption, "User Name");
    EXPECT_EQ(profile.GetFromFile_new(kUserBlock, "title"), "Gold");
    EXPECT_EQ(readBytes(fx.folder / "Gold.txt"), "ann@x.com\r\n");
  }
  EXPECT_EQ(readBytes(fx.folder / "Silver.txt"), "someone else's\r\n");
  EXPECT_FALSE(renameProfileTitle(profile, fx.folder.path(), "Gold", "Platinum"));
  EXPECT_EQ(profile.GetFromFile_new(kUserBlock, "title"), "Platinum");
  EXPECT_EQ(profile.GetFromFile_new(kServerBlock, "parent"), "Platinum");
  EXPECT_FALSE(std::filesystem::exists(fx.folder / "Gold.txt"));
  EXPECT_EQ(readBytes(fx.folder / "Platinum.txt"), "ann@x.com\r\n");
  // A change of case only is no duplicate.
  EXPECT_FALSE(renameProfileTitle(profile, fx.folder.path(), "Platinum", "platinum"));
}

}  // namespace
}  // namespace tidewell::store
