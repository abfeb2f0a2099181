#include <gtest/gtest.h>

#include "editor/filter_advanced_choices.h"
#include "editor/filter_editor.h"
#include "editor/newsletter_move.h"
#include "editor_fixture.h"

namespace tidewell::editor {
namespace {

class FilterEditorTest : public ::testing::Test {
 protected:
  testing::EditorProfile profile;
};

TEST_F(FilterEditorTest, RenameTakesFollowingNewslettersAlong) {
  int filter = profile.addFilter();
  int n = profile.addNewsletter();
  auto moved = move_newsletter(profile.store(), n, 1, {filter});
  ASSERT_TRUE(moved);
  FilterEditor e(profile.store(), filter);
  EXPECT_FALSE(e.leaveTitle("Gold_List", "Filter_1"));
  EXPECT_EQ(profile.get(filter, "title"), "Gold_List");
  EXPECT_EQ(profile.get(*moved, "rule"), "Gold_List");
  EXPECT_EQ(profile.get(*moved, "parent"), "Gold_List");
}

TEST_F(FilterEditorTest, TitleOfANewsletterIsRefusedAndNothingChanges) {
  int filter = profile.addFilter();
  profile.addNewsletter();
  FilterEditor e(profile.store(), filter);
  auto refusal = e.leaveTitle("new newsletter #1", "Filter_1");
  ASSERT_TRUE(refusal);
  EXPECT_TRUE(refusal->restoreOldTitle);
  EXPECT_EQ(profile.get(filter, "title"), "Filter_1");
  EXPECT_TRUE(e.leaveTitle("", "Filter_1"));
}

TEST_F(FilterEditorTest, AdvancedChoicesLeaveOutTheEditedFilter) {
  int f1 = profile.addFilter();
  auto alone = filterAdvancedChoices(profile.filters(), f1, "!");
  EXPECT_EQ(alone.entries, std::vector<std::string>{"No Filters Available"});
  EXPECT_FALSE(alone.enabled);
  EXPECT_EQ(alone.valueOf(0), "");

  profile.addFilter();
  profile.addFilter();
  auto choices = filterAdvancedChoices(profile.filters(), f1, "Filter_3");
  EXPECT_EQ(choices.entries, (std::vector<std::string>{"None Selected", "Filter_2", "Filter_3"}));
  EXPECT_TRUE(choices.enabled);
  EXPECT_EQ(choices.selected, 2);
  EXPECT_EQ(choices.valueOf(0), "");
  EXPECT_EQ(choices.valueOf(1), "Filter_2");
  EXPECT_EQ(filterAdvancedChoices(profile.filters(), f1, "").selected, 0);
}

}  // namespace
}  // namespace tidewell::editor
