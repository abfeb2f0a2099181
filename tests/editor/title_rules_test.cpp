#include <gtest/gtest.h>

#include "editor/title_check.h"
#include "editor/title_typing_guard.h"

namespace tidewell::editor {
namespace {

TEST(TitleTyping, RefusesEachReservedCharacterAndNamesIt) {
  for (char c : std::string(" \"#'<>[\\]^{|}~")) {
    auto refused = firstRefusedTitleCharacter(std::string("Gold") + c + "List");
    ASSERT_TRUE(refused) << c;
    EXPECT_EQ(*refused, c);
  }
  EXPECT_EQ(titleRefusalStatus(' '), "Space is not allowed!");
  EXPECT_EQ(titleRefusalStatus('#'), "# is not allowed!");
}

TEST(TitleTyping, AcceptsPunctuationOutsideTheReservedSetAndNonAscii) {
  EXPECT_FALSE(firstRefusedTitleCharacter("Filter_1.2-(new)!@$%&*+=,;:?/`"));
  EXPECT_FALSE(firstRefusedTitleCharacter("Prénom_Ünïcode"));
}

TEST(TitleTyping, RefusalRestoresLastAcceptedTextWithCaretAndSelection) {
  TitleTypingGuard guard;
  guard.reset({"Filter_1", 8, 0});
  auto ok = guard.onChange({"Filter_12", 9, 0});
  EXPECT_TRUE(ok.accepted);
  EXPECT_EQ(ok.status, "Ready");
  auto refused = guard.onChange({"Filter_1 2", 9, 0});
  EXPECT_FALSE(refused.accepted);
  EXPECT_EQ(refused.status, "Space is not allowed!");
  EXPECT_EQ(refused.restore.text, "Filter_12");
  EXPECT_EQ(refused.restore.caret, 9);
  // A refusal does not become the state to restore next time.
  EXPECT_EQ(guard.lastAccepted().text, "Filter_12");
}

TEST(TitleLeave, BlankMessagesDifferByNode) {
  auto never = [](const std::string&) { return false; };
  auto filter = checkTitleOnLeave(TitledNode::Filter, "", "Filter_1", never);
  ASSERT_TRUE(filter);
  EXPECT_EQ(filter->message, "Filter Title can't be blank!");
  EXPECT_EQ(filter->caption, "Error!");
  EXPECT_FALSE(filter->restoreOldTitle);
  auto newsletter = checkTitleOnLeave(TitledNode::Newsletter, "", "x", never);
  ASSERT_TRUE(newsletter);
  EXPECT_EQ(newsletter->message, "Newsletter Title can't be blank!");
}

TEST(TitleLeave, DuplicateRestoresOldTitleButOwnTitleIsNoDuplicate) {
  std::vector<std::string> asked;
  auto everything = [&](const std::string& line) {
    asked.push_back(line);
    return true;
  };
  auto clash = checkTitleOnLeave(TitledNode::Filter, "Welcome", "Filter_1", everything);
  ASSERT_TRUE(clash);
  EXPECT_EQ(clash->message, std::string(kDuplicateTitleMessage));
  EXPECT_TRUE(clash->restoreOldTitle);
  EXPECT_EQ(asked, std::vector<std::string>{"title: Welcome"});
  EXPECT_FALSE(checkTitleOnLeave(TitledNode::Filter, "Filter_1", "Filter_1", everything));
  EXPECT_FALSE(checkTitleOnLeave(TitledNode::Newsletter, "filter_1", "Filter_1", everything));
}

}  // namespace
}  // namespace tidewell::editor
