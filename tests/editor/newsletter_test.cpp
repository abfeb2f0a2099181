#include <gtest/gtest.h>

#include "editor/attachment_list.h"
#include "editor/newsletter_editor.h"
#include "editor/newsletter_move.h"
#include "editor_fixture.h"

namespace tidewell::editor {
namespace {

using Titles = std::vector<std::string>;

TEST(AttachmentList, FirstPathGetsOneCommaAndRemoveTakesEveryCopy) {
  AttachmentList list;
  list.add(std::string("/tmp/a.pdf\0junk", 15));
  EXPECT_EQ(list.text(), "/tmp/a.pdf,");
  list.add("/tmp/b.pdf");
  list.add("/tmp/a.pdf");
  EXPECT_EQ(list.entries(), (Titles{"/tmp/a.pdf", "/tmp/b.pdf", "/tmp/a.pdf"}));
  list.remove("/tmp/a.pdf");
  EXPECT_EQ(list.text(), "/tmp/b.pdf,");
  list.remove("/tmp/b.pdf");
  EXPECT_EQ(list.text(), "");
}

class NewsletterTest : public ::testing::Test {
 protected:
  testing::EditorProfile profile;
};

TEST_F(NewsletterTest, CancelledPickerKeepsAChosenDate) {
  int n = profile.addNewsletter();
  NewsletterEditor e(profile.store, n);
  e.chooseDate("date not set");
  e.applyPickedDate("date not set", store::Date{2027, 3, 1});
  EXPECT_FALSE(e.chooseDate("Mar 1, 2027"));  // no picker: the date is there
  EXPECT_TRUE(e.applyPickedDate("Mar 1, 2027", std::nullopt).dateChosen);
  EXPECT_EQ(readSchedule(profile.store, n).dateText, "Mar 1, 2027");
  EXPECT_EQ(profile.get(n, "dateordays"), "date");
}

TEST_F(NewsletterTest, LoadRulesSelectsByTitleIgnoringCase) {
  int f1 = profile.addFilter();
  int f2 = profile.addFilter();
  auto choices = LoadRules(profile.filters(), "filter_2");
  EXPECT_EQ(choices.entries, (Titles{"No Rule Assigned", "Filter_1", "Filter_2"}));
  EXPECT_EQ(choices.filterIndexes, (std::vector<int>{f1, f2}));
  EXPECT_EQ(choices.selected, 2);
  EXPECT_FALSE(choices.ruleUnknown);
  auto unknown = LoadRules(profile.filters(), "Gone");
  EXPECT_EQ(unknown.selected, 0);
  EXPECT_TRUE(unknown.ruleUnknown);
}

TEST_F(NewsletterTest, MovePlacesNewsletterDirectlyAfterItsFilterAheadOfEarlierOnes) {
  profile.addFilter();
  profile.addFilter();
  int first = profile.addNewsletter();
  profile.store.UpdateFile_new(first, "subject", "Hello ~name~");
  auto choices = LoadRules(profile.filters(), "");
  auto moved = move_newsletter(profile.store, first, 2, choices.filterIndexes);
  ASSERT_TRUE(moved);
  EXPECT_EQ(profile.titlesInFileOrder(), (Titles{"Filter_1", "Filter_2", "New Newsletter #1"}));
  EXPECT_EQ(profile.get(*moved, "title"), "New Newsletter #1");
  EXPECT_EQ(profile.get(*moved, "rule"), "Filter_2");
  EXPECT_EQ(profile.get(*moved, "parent"), "Filter_2");
  EXPECT_EQ(profile.get(*moved, "subject"), "Hello ~name~");
  EXPECT_EQ(profile.get(*moved, "dateordays"), "days");

  // A new newsletter carries the highest index but sits before the filters in the file.
  int second = profile.addNewsletter();
  choices = LoadRules(profile.filters(), "");
  moved = move_newsletter(profile.store, second, 2, choices.filterIndexes);
  ASSERT_TRUE(moved);
  EXPECT_EQ(profile.titlesInFileOrder(),
            (Titles{"Filter_1", "Filter_2", "New Newsletter #2", "New Newsletter #1"}));
  EXPECT_EQ(*moved, choices.filterIndexes[1] + 1);
}

TEST_F(NewsletterTest, NoRuleAssignedMovesAfterFiltersNodeUnderRenamedNewsletters) {
  profile.addFilter();
  int n = profile.addNewsletter();
  profile.setTitle(3, "Mailings");
  auto choices = LoadRules(profile.filters(), "");
  auto onFilter = move_newsletter(profile.store, n, 1, choices.filterIndexes);
  ASSERT_TRUE(onFilter);
  auto back = move_newsletter(profile.store, *onFilter, 0, choices.filterIndexes);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, 5);
  EXPECT_EQ(profile.get(5, "rule"), "No Rule Assigned");
  EXPECT_EQ(profile.get(5, "parent"), "Mailings");
  EXPECT_EQ(profile.titlesInFileOrder(), (Titles{"New Newsletter #1", "Filter_1"}));
}

}  // namespace
}  // namespace tidewell::editor
