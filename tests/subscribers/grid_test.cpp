#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/settings_file.h"
#include "subscriber_fixture.h"
#include "subscribers/grid_column_table.h"
#include "subscribers/subscriber_finder.h"
#include "subscribers/subscriber_grid.h"

namespace tidewell::testing {
namespace {

using subscribers::ColumnKind;
using subscribers::GridColumnTable;
using subscribers::ShowFilter;
using subscribers::SubscriberFinder;
using subscribers::SubscriberGrid;

// The widths of the shown columns go to their entries, hidden ones keep theirs, and the settings
// file holds the result.
TEST(GridColumnTable, GridTextRoundTripsAndToggleKeepsTheWidth) {
  TrapFixture fx;
  store::SettingsFile settings(fx.folder.path(), fx.trap);
  ASSERT_TRUE(settings.Create_INI_File());
  GridColumnTable columns = subscribers::f_load_grid_properties(settings);
  EXPECT_EQ(columns.gridText(), store::kDefaultGridText);
  EXPECT_EQ(columns.entry(5).gridColumn, 5);
  EXPECT_EQ(columns.menuKey(1), "TVEMAILADDY");

  // The grid was resized by the operator: columns 0..5 have these widths now.
  columns.toggle(2, {500, 3000, 1500, 1400, 600, 1100});
  EXPECT_FALSE(columns.entry(2).isOn());
  EXPECT_EQ(columns.entry(2).width, 1500);
  EXPECT_EQ(columns.entry(2).gridColumn, -1);
  EXPECT_EQ(columns.entry(3).gridColumn, 2);
  columns.toggle(2, {500, 3000, 1400, 600, 1100});
  EXPECT_TRUE(columns.entry(2).isOn());
  EXPECT_EQ(columns.entry(2).width, 1500);
  columns.toggle(0, {});
  ASSERT_TRUE(subscribers::s_update_col_widths(columns, {3000, 200, 1400, 600, 1100}, settings));
  EXPECT_EQ(settings.gridText(),
            ":OFF:500:tvcount,Email Address:ON:3000:tvemailaddy,Name:ON:200:tvname,"
            "Sign-Up Date:ON:1400:tvsignup,Active:ON:600:tvactive,Filter:ON:1100:tvgridfilter,");
}

TEST(GridColumnTable, HandEditedTextsKeepDefaultsWhereTheyAreUnreadable) {
  GridColumnTable columns =
      GridColumnTable::parse("#:off:99999:tvcount,Mail:on:wide:tvemailaddy,Name:OFF");
  EXPECT_EQ(columns.entry(0).onOff, "OFF");
  EXPECT_EQ(columns.entry(0).width, 540);  // out of the 16-bit range
  EXPECT_EQ(columns.entry(1).caption, "Mail");
  EXPECT_EQ(columns.entry(1).width, 2910);
  EXPECT_EQ(columns.entry(1).gridColumn, 0);
  EXPECT_FALSE(columns.entry(2).isOn());
  EXPECT_EQ(columns.entry(2).key, "tvname");
  EXPECT_EQ(columns.entry(5).caption, "Filter");  // missing entries keep the default
  EXPECT_EQ(GridColumnTable::parse("!").gridText(), store::kDefaultGridText);
}

class GridTest : public ::testing::Test {
 protected:
  GridTest()
      : table(makeTable({subscriber("a@x.com", "A", "Filter_1", "true"),
                         subscriber("b@x.com", "B", "Filter_1", "false"),
                         subscriber("c@x.com", "C", "Filter_2", "true"),
                         subscriber("d@x.com", "D", "Filter_1", "True"),
                         subscriber("e@x.com", "E", "Filter_1", "true", {2025, 1, 9})})),
        grid(table, columns) {}

  std::string cells(std::uint32_t row) {
    std::string text;
    for (std::size_t c = 0; c < grid.columnCount(); ++c) text += grid.cellText(row, c) + "|";
    return text;
  }
  std::string rowsUnder(ShowFilter filter) {
    grid.setShowFilter(std::move(filter));
    grid.loadgrid();
    return grid.rowMapText();
  }

  store::SubscriberTable table;
  GridColumnTable columns;
  SubscriberGrid grid;
};

TEST_F(GridTest, ShowFilterChoosesTheRows) {
  EXPECT_EQ(rowsUnder(ShowFilter()), "0,1,2,3,4,");
  EXPECT_EQ(rowsUnder(ShowFilter::onlyActive()), "0,2,4,");
  EXPECT_EQ(rowsUnder(ShowFilter::onlyNonActive()), "1,");
  EXPECT_EQ(rowsUnder(ShowFilter::filter("Filter_1")), "0,4,");
  EXPECT_EQ(table.record(4).gridRow(), 2);
  EXPECT_EQ(table.record(1).gridRow(), 0);
  EXPECT_EQ(table.record(2).gridRow(), 0);
  EXPECT_EQ(rowsUnder(ShowFilter::filter("filter_1")), "");
  table.markDeleted(0);
  EXPECT_EQ(rowsUnder(ShowFilter()), "1,2,3,4,");
  EXPECT_EQ(table.record(0).gridRow(), -1);
  EXPECT_EQ(grid.recordOfRow(1), 1u);
  EXPECT_EQ(grid.recordOfRow(0), std::nullopt);
  EXPECT_EQ(grid.recordOfRow(5), std::nullopt);
}

TEST_F(GridTest, ShowFilterListAndItsPositions) {
  std::vector<store::FilterRecord> filters = {makeFilter("All"), makeFilter("Filter_2")};
  std::vector<std::string> list = subscribers::LoadShow(filters);
  EXPECT_THAT(list,
              ::testing::ElementsAre("All", "Only Active", "Only Non-Active", "All", "Filter_2"));
  auto third = ShowFilter::fromListPosition(list, 3);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->kind(), ShowFilter::Kind::kFilter);
  EXPECT_EQ(ShowFilter::fromListPosition(list, 0)->kind(), ShowFilter::Kind::kAll);
  EXPECT_FALSE(ShowFilter::fromListPosition(list, 5));
  EXPECT_EQ(ShowFilter::fromText("").kind(), ShowFilter::Kind::kAll);
  EXPECT_EQ(ShowFilter::fromText("Only Non-Active").kind(), ShowFilter::Kind::kOnlyNonActive);
  EXPECT_THAT(subscribers::assignToFilterMenu({}), ::testing::ElementsAre("No Filters"));
}

TEST_F(GridTest, CellsFollowTheShownColumnsAndTheCountNumbersRowsAnEmptyTableShowsNone) {
  rowsUnder(ShowFilter::filter("Filter_1"));
  ASSERT_EQ(grid.columnCount(), 6u);
  EXPECT_EQ(grid.headerText(1), "Email Address");
  EXPECT_EQ(cells(1), "1|a@x.com|A|12/5/2026|true|Filter_1|");
  EXPECT_EQ(cells(2), "2|e@x.com|E|1/9/2025|true|Filter_1|");
  EXPECT_EQ(grid.cellText(3, 1), "");

  for (std::size_t e = 0; e < GridColumnTable::kEntryCount; ++e) columns.toggle(e, {});
  columns.toggle(3, {});
  grid.loadgrid();
  ASSERT_EQ(grid.columnCount(), 1u);
  EXPECT_EQ(grid.columnKind(0), ColumnKind::kSignUp);
  EXPECT_EQ(grid.columnWidth(0), 1410);
  EXPECT_EQ(grid.cellText(1, 0), "12/5/2026");

  store::SubscriberTable empty;
  SubscriberGrid emptyGrid(empty, columns);
  emptyGrid.loadgrid();
  EXPECT_EQ(emptyGrid.rowCount(), 0u);
  EXPECT_EQ(emptyGrid.columnCount(), 1u);
  EXPECT_FALSE(emptyGrid.rowActionAllowed(1));
}

TEST(MouseWheel, PagesOverlapByThreeRows) {
  // 30 subscriber rows under the header, 12 rows fit the grid.
  EXPECT_EQ(subscribers::wheelTopRow(1, 31, -120, 1200, 100), 10);
  EXPECT_EQ(subscribers::wheelTopRow(10, 31, 120, 1200, 100), 1);
  EXPECT_EQ(subscribers::wheelTopRow(10, 31, -120, 1200, 100), 19);
  EXPECT_EQ(subscribers::wheelTopRow(25, 31, -120, 1200, 100), 27);  // stops at the last row
  EXPECT_EQ(subscribers::wheelTopRow(1, 31, -120, 500, 100), 8);     // at least 10 rows a page
  EXPECT_EQ(subscribers::wheelTopRow(1, 31, -120, 500, 0), 8);
  EXPECT_EQ(subscribers::wheelTopRow(1, 1, -120, 1200, 100), 1);
}

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
