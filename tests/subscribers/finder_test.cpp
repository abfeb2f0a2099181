#include <gtest/gtest.h>

#include "subscriber_fixture.h"
#include "subscribers/subscriber_finder.h"

namespace tidewell::testing {
namespace {

using subscribers::ShowFilter;
using subscribers::SubscriberFinder;

class FinderTest : public ::testing::Test {
 protected:
  FinderTest() {
    store::SubscriberData cid = subscriber("cid@x.com", "Cid", "Filter_1", "true", {2024, 3, 7});
    cid.pmf = pmfOf({{"email", "cid@x.com"}, {"city", "Bergen"}});
    table = makeTable({subscriber("ann@x.com", "Ann", "Filter_1"),
                       subscriber("bob@y.org", "Bob", "Filter_2"),
                       subscriber("ann.b@y.org", "Annie", "Filter_1", "false"), cid,
                       subscriber("zed@x.com", "Zed", "Filter_2", "false")});
  }
  std::optional<store::Position> next(const ShowFilter& scope = ShowFilter()) {
    return finder.findNext(table, scope, ui);
  }

  store::SubscriberTable table;
  SubscriberFinder finder;
  RecordingOperator ui;
};

TEST_F(FinderTest, FindsInTableOrderWithoutRegardToCaseAndOffersToStartOver) {
  finder.setText("  ANN ");
  EXPECT_EQ(next(), 0u);
  EXPECT_EQ(next(), 2u);
  EXPECT_EQ(finder.nextStart(), 3u);
  EXPECT_EQ(next(), std::nullopt);
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Finished searching. Start over from beginning?");
  EXPECT_EQ(ui.questions[0].caption, "Find");
  EXPECT_EQ(finder.nextStart(), 3u);  // No changes nothing
  ui.answers = {true};
  EXPECT_EQ(next(), 0u);
  finder.setText("3/7/2024");
  EXPECT_EQ(next(), 3u);
  finder.setText("");
  EXPECT_EQ(next(), 0u);
}

TEST_F(FinderTest, ScopeIsWhatTheShowFilterShows) {
  finder.setText("@y.org");
  EXPECT_EQ(next(ShowFilter::filter("Filter_1")), std::nullopt);  // Annie is inactive
  finder.setText("@y.org");
  EXPECT_EQ(next(ShowFilter::filter("Filter_2")), 1u);
  finder.setText("@");
  EXPECT_EQ(next(ShowFilter::onlyNonActive()), 2u);
  EXPECT_EQ(next(ShowFilter::onlyNonActive()), 4u);
  table.markDeleted(0);
  finder.setText("ann@");
  EXPECT_EQ(next(), std::nullopt);
}

TEST_F(FinderTest, PersonalFieldValuesOnlyWhenAskedFor) {
  finder.setText("bergen");
  EXPECT_EQ(next(), std::nullopt);
  finder.setSearchPersonalFields(true);
  finder.setText("bergen");
  EXPECT_EQ(next(), 3u);
}

}  // namespace
}  // namespace tidewell::testing
