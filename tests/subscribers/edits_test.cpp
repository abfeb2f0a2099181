#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "subscriber_fixture.h"
#include "subscribers/edit_dialog_rules.h"
#include "subscribers/grid_actions.h"
#include "subscribers/new_email_rules.h"
#include "subscribers/personal_fields_view.h"

namespace tidewell::testing {
namespace {

using subscribers::Refusal;
using subscribers::RowSelection;

TEST(NewEmail, OpeningNeedsAFilterWithAnOptInCode) {
  EXPECT_EQ(subscribers::checkNewEmailOpen({}),
            (Refusal{"You must first create a Filter to assign the email too.", "New Email"}));
  std::vector<store::FilterRecord> filters = {makeFilter("A", "", "", ""),
                                              makeFilter("B", "", "", "join")};
  EXPECT_EQ(subscribers::checkNewEmailOpen({filters[0]}),
            (Refusal{"You must assign an Opt-In Code to a Filter!", "ERROR"}));
  EXPECT_EQ(subscribers::checkNewEmailOpen(filters), std::nullopt);
  EXPECT_THAT(subscribers::newEmailFilterChoices(filters), ::testing::ElementsAre("B"));
}

TEST(NewEmail, ChecksComeInOrderWithTheirMessages) {
  std::vector<store::FilterRecord> filters = {makeFilter("Filter_1")};
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
