#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/settings_file.h"
#include "subscriber_fixture.h"
#include "subscribers/edit_dialog_rules.h"
#include "subscribers/grid_actions.h"
#include "subscribers/grid_column_table.h"
#include "subscribers/new_email_rules.h"
#include "subscribers/personal_fields_view.h"
#include "subscribers/subscriber_finder.h"
#include "subscribers/subscriber_grid.h"

namespace tidewell::testing {
namespace {

using subscribers::ColumnKind;
using subscribers::GridColumnTable;
using subscribers::Refusal;
using subscribers::RowSelection;
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

TEST_F(GridTest, ShowFilterChoosesTheRowsAndComesFromTheListOrItsText) {
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
  std::optional<store::Position> find(std::string_view text,
                                      const ShowFilter& scope = ShowFilter()) {
    finder.setText(text);
    return next(scope);
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
  EXPECT_EQ(find("3/7/2024"), 3u);
  EXPECT_EQ(find(""), 0u);
}

TEST_F(FinderTest, ScopeIsWhatTheShowFilterShowsAndPersonalFieldsOnlyWhenAskedFor) {
  EXPECT_EQ(find("@y.org", ShowFilter::filter("Filter_1")), std::nullopt);  // Annie is inactive
  EXPECT_EQ(find("@y.org", ShowFilter::filter("Filter_2")), 1u);
  EXPECT_EQ(find("@", ShowFilter::onlyNonActive()), 2u);
  EXPECT_EQ(next(ShowFilter::onlyNonActive()), 4u);
  EXPECT_EQ(find("bergen"), std::nullopt);
  finder.setSearchPersonalFields(true);
  EXPECT_EQ(find("bergen"), 3u);
  table.markDeleted(0);
  EXPECT_EQ(find("ann@"), std::nullopt);
}

TEST(NewEmail, OpeningNeedsAFilterWithAnOptInCodeAndEntriesAreCheckedInOrder) {
  EXPECT_EQ(subscribers::checkNewEmailOpen({}),
            (Refusal{"You must first create a Filter to assign the email too.", "New Email"}));
  std::vector<store::FilterRecord> filters = {makeFilter("A", "", "", ""),
                                              makeFilter("B", "", "", "join")};
  EXPECT_EQ(subscribers::checkNewEmailOpen({filters[0]}),
            (Refusal{"You must assign an Opt-In Code to a Filter!", "ERROR"}));
  EXPECT_EQ(subscribers::checkNewEmailOpen(filters), std::nullopt);
  EXPECT_THAT(subscribers::newEmailFilterChoices(filters), ::testing::ElementsAre("B"));

  // The checks on the entered subscriber come in order, each with its message.
  filters = {makeFilter("Filter_1")};
  store::SubscriberTable table =
      makeTable({subscriber("ann@x.com"), subscriber("gone@x.com")}, filters);
  table.markDeleted(1);
  auto check = [&](std::string_view address, std::string_view name, std::string_view title) {
    return subscribers::checkNewEmail(table, filters, address, name, title);
  };
  Refusal exists{"Email Address already exists!", "Email Address"};
  EXPECT_EQ(check("", "", "Filter_1"), (Refusal{"Email Address is blank!", "Email Address"}));
  EXPECT_EQ(check("ANN@x.com", "", "filter_1"), exists);
  EXPECT_EQ(check("new@x.com", "N", "No Such Filter"), exists);
  EXPECT_EQ(check("not-an-address", "", "Filter_1"),
            (Refusal{"Invalid Email Address!", "Email Address"}));
  EXPECT_EQ(check("new@x.com", "", "Filter_1"), (Refusal{"Please enter a Name!", "Name"}));
  EXPECT_EQ(check("gone@x.com", "Back", "Filter_1"), std::nullopt);
}

TEST(EditDialog, LeavingAFieldStoresAllThreeAndRefusesADateThatIsNotOne) {
  TrapFixture fx;
  store::SubscriberData d = subscriber("ann@x.com");
  d.sentList = "Welcome[\\?]Tips[\\?]";
  store::SubscriberTable table = makeTable({d});
  subscribers::EditDialogFields shown = subscribers::editDialogFields(table, 0);
  EXPECT_EQ(shown.signup, "12/5/2026");
  EXPECT_TRUE(shown.active);
  EXPECT_THAT(shown.sentEntries, ::testing::ElementsAre("Welcome", "Tips"));

  EXPECT_EQ(subscribers::leaveEditField(fx.trap, table, 0, "ann@x.com", "Ann", "12/5/2026"),
            std::nullopt);
  EXPECT_FALSE(table.changed());
  auto refusal = subscribers::leaveEditField(fx.trap, table, 0, "ann@x.com", "Anna", "soon");
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->caption, "Sign-Up Date");
  EXPECT_EQ(table.record(0).name(), "Ann");
  EXPECT_FALSE(table.changed());
  subscribers::leaveEditField(fx.trap, table, 0, "anna@x.com", "Anna", "Jan 2, 2026");
  EXPECT_TRUE(table.changed());
  subscribers::setActiveChecked(fx.trap, table, 0, false);
  subscribers::deleteSentEntry(fx.trap, table, 0, "Welcome");
  EXPECT_EQ(rowOf(table, 0), "anna@x.com|Anna|1/2/2026|false|Filter_1|Tips[\\?]");
  subscribers::deleteSentEntry(fx.trap, table, 0, "Tips");
  EXPECT_EQ(table.record(0).sentList(), "none");
}

class GridActionsTest : public SubscriberFixture {
 protected:
  GridActionsTest() : grid(table, columns) {}
  void load(const std::vector<store::SubscriberData>& records) {
    table = makeTable(records, {makeFilter("Filter_1"), makeFilter("Filter_2")});
    grid.loadgrid();
  }
  subscribers::GridColumnTable columns;
  subscribers::SubscriberGrid grid;
};

TEST_F(GridActionsTest, ToggleMakesAnythingButTrueTrue) {
  load({subscriber("a@x.com", "A", "Filter_1", "true"), subscriber("b@x.com", "B", "F", "yes")});
  subscribers::mnuToggle(trap, grid, {1, 1});
  subscribers::mnuToggle(trap, grid, {2, 2});
  EXPECT_EQ(table.active(0), "false");
  EXPECT_EQ(table.active(1), "true");
  EXPECT_EQ(grid.cellText(1, 4), "false");
  subscribers::mnuToggle(trap, grid, {0, 2});  // the header row
  EXPECT_EQ(table.active(0), "false");
  subscribers::mnuToggle(trap, grid, {2, 1});  // a selection made upwards
  EXPECT_EQ(table.active(0), "true");
  EXPECT_EQ(table.active(1), "false");
}

TEST_F(GridActionsTest, DeleteAsksThenDropsTheRowsAndTheLastRowEmptiesTheFile) {
  load({subscriber("a@x.com"), subscriber("b@x.com"), subscriber("c@x.com")});
  EXPECT_FALSE(subscribers::tvDeleteEmail(trap, grid, file, {1, 1}));
  EXPECT_EQ(ui.questions.back().caption, "Confirm Delete");
  EXPECT_EQ(grid.rowCount(), 3u);
  ui.answers = {true};
  EXPECT_TRUE(subscribers::tvDeleteEmail(trap, grid, file, {3, 2}));
  EXPECT_EQ(grid.rowMapText(), "0,");
  EXPECT_TRUE(table.record(2).isDeleted());
  EXPECT_TRUE(table.changed());
  ui.answers = {true};
  EXPECT_TRUE(subscribers::tvDeleteEmail(trap, grid, file, {1, 1}));
  EXPECT_EQ(readBytes(subscriberPath()), "");
  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(grid.rowCount(), 0u);
  EXPECT_FALSE(subscribers::tvDeleteEmail(trap, grid, file, {1, 1}));
}

TEST_F(GridActionsTest, ModifySignUpDateValidatesTheAnswerAndChangesEverySelectedRow) {
  load({subscriber("a@x.com"), subscriber("b@x.com"), subscriber("c@x.com")});
  Refusal invalid{"Invalid Date Format (eg:12/30/2006)", "Invalid Date"};
  EXPECT_EQ(subscribers::mnuSignUpMod(trap, grid, {1, 3}, ""), std::nullopt);
  EXPECT_EQ(subscribers::mnuSignUpMod(trap, grid, {1, 3}, "12:00:00 AM"), invalid);
  EXPECT_EQ(subscribers::mnuSignUpMod(trap, grid, {1, 3}, "13/30/2006"), invalid);
  EXPECT_FALSE(table.changed());
  EXPECT_EQ(subscribers::mnuSignUpMod(trap, grid, {3, 2}, "12/30/2006"), std::nullopt);
  EXPECT_EQ(table.signup(0), (store::Date{2026, 12, 5}));
  EXPECT_EQ(table.signup(1), (store::Date{2006, 12, 30}));
  EXPECT_EQ(table.signup(2), (store::Date{2006, 12, 30}));
  EXPECT_EQ(grid.cellText(3, 3), "12/30/2006");
}

TEST_F(GridActionsTest, AssignToFilterAsksAndChangesEverySelectedRow) {
  load({subscriber("a@x.com"), subscriber("b@x.com")});
  EXPECT_FALSE(subscribers::mnuLevel2(trap, grid, {1, 2}, "Filter_2"));
  EXPECT_EQ(ui.questions.back().caption, "Assign to Filter");
  ui.answers = {true};
  EXPECT_TRUE(subscribers::mnuLevel2(trap, grid, {2, 1}, "Filter_2"));
  EXPECT_TRUE(table.changed());
  EXPECT_EQ(table.filterTitle(0), "Filter_2");
  EXPECT_EQ(grid.cellText(2, 5), "Filter_2");
  table.setFilterList({});
  ui.answers = {true};
  EXPECT_FALSE(subscribers::mnuLevel2(trap, grid, {1, 1}, "Filter_1"));
}

TEST(PersonalFieldsView, ValuesThatAreLinksAreMarked) {
  store::SubscriberData d = subscriber("ann@x.com");
  d.pmf = pmfOf({{"email", "ann@x.com"}, {"site", "https://example.com/a"}, {"city", "Oslo"}});
  store::SubscriberTable table = makeTable({d});
  subscribers::PersonalFieldsView view = subscribers::mnuViewPMF(table, 0);
  EXPECT_EQ(view.title, "View Personal Message Fields for ann@x.com");
  ASSERT_EQ(view.rows.size(), 41u);
  EXPECT_EQ(view.rows[0].link, subscribers::LinkKind::kEmail);
  EXPECT_EQ(view.rows[1].name, "site");
  EXPECT_EQ(view.rows[1].link, subscribers::LinkKind::kUrl);
  EXPECT_EQ(view.rows[2].link, subscribers::LinkKind::kNone);
  EXPECT_EQ(view.rows[3].name, "");
  EXPECT_EQ(view.rows[3].link, subscribers::LinkKind::kNone);
}

}  // namespace
}  // namespace tidewell::testing
