#include <gtest/gtest.h>

#include "editor/filter_editor.h"
#include "editor/newsletter_move.h"
#include "editor/title_check.h"
#include "editor/title_typing_guard.h"
#include "editor_fixture.h"
#include "store/profile_model.h"
#include "store/profile_rename.h"

namespace tidewell::editor {
namespace {

TEST(TitleTyping, RefusesTheReservedCharactersOnly) {
  for (char c : std::string(" \"#'<>[\\]^{|}~")) {
    EXPECT_EQ(firstRefusedTitleCharacter(std::string("Gold") + c + "List"), c) << c;
  }
  EXPECT_FALSE(firstRefusedTitleCharacter("Filter_1.2-(new)!@$%&*+=,;:?/`Prénom_Ünïcode"));
}

TEST(TitleTyping, ARefusalIsNeverTheTextRestoredLater) {
  TitleTypingGuard guard;
  guard.reset({"Filter_1", 8, 0});
  auto ok = guard.onChange({"Filter_12", 9, 0});
  EXPECT_TRUE(ok.accepted);
  EXPECT_EQ(ok.status, "Ready");
  auto refused = guard.onChange({"Filter_1 2", 9, 0});
  EXPECT_FALSE(refused.accepted);
  EXPECT_EQ(refused.restore.text, "Filter_12");
  EXPECT_EQ(guard.lastAccepted().text, "Filter_12");
}

TEST(TitleLeave, NewsletterBlankAndOwnTitle) {
  auto everything = [](const std::string&) { return true; };
  auto blank = checkTitleOnLeave(TitledNode::Newsletter, "", "x", everything);
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank->message, "Newsletter Title can't be blank!");
  EXPECT_FALSE(blank->restoreOldTitle);
  // Its own title, in any case, is no duplicate.
  EXPECT_FALSE(checkTitleOnLeave(TitledNode::Filter, "Filter_1", "Filter_1", everything));
  EXPECT_FALSE(checkTitleOnLeave(TitledNode::Newsletter, "filter_1", "Filter_1", everything));
}

TEST(TitleLeave, FilterRenameTakesFollowingNewslettersAlong) {
  testing::EditorProfile profile;
  int filter = profile.addFilter();
  auto moved = move_newsletter(profile.store, profile.addNewsletter(), 1, {filter});
  ASSERT_TRUE(moved);
  EXPECT_FALSE(FilterEditor(profile.store, filter).leaveTitle("Gold_List", "Filter_1"));
  EXPECT_EQ(profile.get(*moved, "rule"), "Gold_List");
  EXPECT_EQ(profile.get(*moved, "parent"), "Gold_List");
}

// A TAB would split the TAB-separated lines of the logs and the send journal.
TEST(TitleRules, EveryKindOfTitleRefusesATab) {
  EXPECT_EQ(firstRefusedTitleCharacter("Gold\tList"), '\t');
  EXPECT_EQ(titleRefusalStatus('\t'), "Tab is not allowed!");
  auto nothing = [](const std::string&) { return false; };
  for (TitledNode node : {TitledNode::Filter, TitledNode::Newsletter}) {
    EXPECT_TRUE(checkTitleOnLeave(node, "Gold\tList", "Gold", nothing)->restoreOldTitle);
  }

  testing::EditorProfile profile;
  EXPECT_FALSE(profile.store.UpdateFile_new(profile.addFilter(), "title", "Gold\tList"));
  EXPECT_EQ(store::renameProfileTitle(profile.store, profile.folder.path(), "Gold", "A\tB")->message,
            "User Name cannot hold a TAB or line break.");

  struct PlainCipher : store::PasswordCipher {
    std::string encipher(const std::string& text, const std::string&) override { return text; }
    std::string decipher(const std::string& text, const std::string&) override { return text; }
  } cipher;
  store::SettingsFile settings(profile.folder / "program", profile.trap);
  store::NewProfileFields fields{"Gold\tList", "a@example.org", "a@example.org", "pop", "smtp", "a",
                                 "p"};
  EXPECT_EQ(store::createProfile(fields, settings, cipher).refusal->message,
            "Profile Title cannot hold a TAB.");
}

}  // namespace
}  // namespace tidewell::editor
