// The profile editor's rules: the filter's personal-fields and extract-key grids, its advanced
// choices and rule editor, the title rules of every node, and the newsletter's date, rule and
// attachments.
#include <gtest/gtest.h>

#include "editor/attachment_list.h"
#include "editor/extract_key_editor.h"
#include "editor/field_editor.h"
#include "editor/filter_advanced_choices.h"
#include "editor/filter_editor.h"
#include "editor/newsletter_editor.h"
#include "editor/newsletter_move.h"
#include "editor/rule_editor.h"
#include "editor/rule_list.h"
#include "editor/title_check.h"
#include "editor/title_typing_guard.h"
#include "editor_fixture.h"
#include "store/profile_model.h"
#include "store/profile_rename.h"

namespace tidewell::editor {
namespace {

store::FieldTable defaultTable() {
  return store::parseFieldTable(store::defaultFieldsValue());
}

TEST(FieldEditor, NameAndCaptionCharacterSets) {
  for (char32_t c : std::u32string(U"az09.")) EXPECT_TRUE(FieldEditor::acceptsNameCharacter(c));
  for (char32_t c : std::u32string(U"A _-:,é")) EXPECT_FALSE(FieldEditor::acceptsNameCharacter(c));
  for (char32_t c : std::u32string(U"aZ9 .é")) EXPECT_TRUE(FieldEditor::acceptsCaptionCharacter(c));
  // ":" and "," would break the stored table.
  for (char32_t c : std::u32string(U":,_-~")) EXPECT_FALSE(FieldEditor::acceptsCaptionCharacter(c));
}

TEST(FieldEditor, ActivationNeedsNameAndCaptionAndRenumbersInputs) {
  FieldEditor e(defaultTable());
  EXPECT_FALSE(e.setName(0, "mail"));
  EXPECT_FALSE(e.toggleActive(2));  // free slot
  e.setName(2, "city");
  e.setCaption(2, "   ");
  EXPECT_FALSE(e.toggleActive(2));
  e.setCaption(2, "City");
  EXPECT_TRUE(e.toggleActive(2));
  EXPECT_EQ(e.table()[2].inputName, "input3");
  e.toggleActive(1);  // the name field off
  EXPECT_EQ(e.table()[1].inputName, "");
  EXPECT_EQ(e.table()[2].inputName, "input2");
  // Deactivating is always allowed, even without a caption.
  e.setCaption(2, "");
  EXPECT_TRUE(e.toggleActive(2));
  EXPECT_FALSE(e.active(2));
}

TEST(FieldEditor, ValueKeepsFortyOneEntries) {
  FieldEditor e(defaultTable());
  e.setName(3, "zip");
  std::string value = e.value();
  EXPECT_EQ(std::count(value.begin(), value.end(), ','), 41);
  EXPECT_EQ(value.rfind("email:Email Address:on,name:Name:on,_::off,zip::off,", 0), 0u);
}

TEST(ExtractKeyEditor, ActivationNeedsFindUntilAndTarget) {
  ExtractKeyEditor e({}, defaultTable());
  e.setFind(0, "Name:");
  e.setUntil(0, "/n");
  EXPECT_FALSE(e.toggleActive(0));
  e.setTarget(0, e.pmfChoices()[2]);
  EXPECT_TRUE(e.toggleActive(0));
  e.setFind(0, "");
  EXPECT_TRUE(e.toggleActive(0));  // off again without conditions
  EXPECT_FALSE(e.key(0).active);
}

TEST(ExtractKeyEditor, ValueRoundTripsThroughTheStoredForm) {
  ExtractKeyEditor e({}, defaultTable());
  e.setFind(3, "Name:");
  e.setUntil(3, "NEW LINE");
  e.setTarget(3, e.pmfChoices()[2]);
  e.toggleActive(3);
  std::string value = e.value();
  EXPECT_EQ(value.rfind("[\\/][\\/][\\/]off[\\/][/\\]", 0), 0u);
  auto parsed = store::parseExtractKeys(value);
  EXPECT_EQ(parsed[3].find, "Name:");
  EXPECT_EQ(parsed[3].until, "NEW LINE");
  EXPECT_EQ(parsed[3].targetCaption, "Name (name)");
  EXPECT_EQ(parsed[3].targetName, "name");
  EXPECT_TRUE(parsed[3].active);
  EXPECT_FALSE(parsed[40].active);
}

TEST(FilterAdvancedChoices, LeaveOutTheEditedFilterAndSelectTheStoredOne) {
  testing::EditorProfile profile;
  int f1 = profile.addFilter();
  auto alone = filterAdvancedChoices(profile.filters(), f1, "!");
  EXPECT_EQ(alone.entries, std::vector<std::string>{"No Filters Available"});
  EXPECT_FALSE(alone.enabled);
  profile.addFilter();
  profile.addFilter();
  auto choices = filterAdvancedChoices(profile.filters(), f1, "Filter_3");
  EXPECT_EQ(choices.entries, (std::vector<std::string>{"None Selected", "Filter_2", "Filter_3"}));
  EXPECT_EQ(choices.selected, 2);
  EXPECT_EQ(choices.valueOf(0), "");
  EXPECT_EQ(filterAdvancedChoices(profile.filters(), f1, "").selected, 0);
}

class RuleEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { filter = profile.addFilter(); }
  // The editor on the filter, whose rules are first set to these.
  RuleEditor open(const std::vector<std::string>& rules = {}) {
    for (std::size_t i = 0; i < rules.size(); ++i) {
      profile.store.UpdateFile_new(filter, "rule" + std::to_string(i + 1), rules[i]);
    }
    RuleEditor editor(profile.store, filter);
    editor.activate();
    return editor;
  }
  void type(RuleEditor& e, const std::string& spec, const std::string& logic,
            const std::string& keyword, const std::string& connector) {
    e.chooseSpec(spec);
    if (!logic.empty()) e.chooseLogic(logic);
    e.typeKeyword(keyword);
    if (!connector.empty()) e.chooseConnector(connector);
  }
  testing::EditorProfile profile;
  int filter = 0;
};

TEST_F(RuleEditorTest, MissingInputsAreNamedInOrder) {
  RuleEditor e = open();
  e.typeKeyword("join");
  auto spec = e.confirm();
  ASSERT_TRUE(spec.message);
  EXPECT_EQ(spec.message->text, "Spec is required!");
  EXPECT_EQ(spec.message->caption, "Error!");
  EXPECT_EQ(spec.focus, RuleInput::Spec);
  e.chooseSpec("Subject");
  EXPECT_EQ(e.confirm().message->text, "Logic is required!");
  e.chooseLogic("=");
  e.typeKeyword("   ");
  EXPECT_EQ(e.confirm().focus, RuleInput::Keyword);
  EXPECT_EQ(profile.get(filter, "rule1"), "!");
  e.chooseSpec("Body");
  e.chooseSpec("Subject");  // unlocks the logic that Body fixed
  EXPECT_TRUE(e.logicEnabled());
}

TEST_F(RuleEditorTest, TrailingConnectorIsRefusedOnCloseUntilANextRuleFollows) {
  RuleEditor e = open();
  type(e, "Subject", "Has", "join", "Or");
  EXPECT_FALSE(e.confirm().message);
  EXPECT_EQ(profile.get(filter, "rule1"), "<1<Subject>1> <2<Has>2> <3<join>3> <4<Or>4>");
  auto refused = e.confirm();
  ASSERT_TRUE(refused.message);
  EXPECT_EQ(refused.focus, RuleInput::Connector);
  EXPECT_EQ(refused.selectRow, 0);
  type(e, "From", "", "news", "");  // From fixes the logic to Has
  auto added = e.confirm();
  EXPECT_FALSE(added.message);
  EXPECT_FALSE(added.close);  // typed inputs made it "&Update"
  EXPECT_TRUE(e.confirm().close);
  EXPECT_EQ(profile.get(filter, "rule2"), "<1<From>1> <2<Has>2> <3<news>3>");
}

TEST_F(RuleEditorTest, ConfirmWithEmptyInputsChecksTheConnectorsBetweenRules) {
  for (auto [connector, refused] : {std::pair{"", true}, {" <4<And>4>", false}}) {
    RuleEditor e = open(
        {std::string("<1<Subject>1> <2<=>2> <3<a>3>") + connector, "<1<Body>1> <2<Has>2> <3<b>3>"});
    auto outcome = e.confirm();
    EXPECT_EQ(outcome.close, !refused);
    if (!refused) {
      EXPECT_TRUE(outcome.written);
      continue;
    }
    ASSERT_TRUE(outcome.message);
    EXPECT_EQ(outcome.message->text, "And/Or must be set!");
    EXPECT_EQ(outcome.selectRow, 0);  // the rule without its connector
  }
}

TEST_F(RuleEditorTest, SelectedRuleIsChangedInPlaceAndListShowsDisplayForm) {
  RuleEditor e = open({"<1<Subject>1> <2<=>2> <3<a>3> <4<Or>4>", "<1<Body>1> <2<Has>2> <3<b>3>"});
  e.selectRow(1);
  EXPECT_EQ(e.inputs().spec, "Body");
  EXPECT_EQ(e.inputs().connector, "");
  EXPECT_FALSE(e.logicEnabled());
  EXPECT_TRUE(e.deleteEnabled());
  e.typeKeyword("b2");
  e.confirm();
  EXPECT_EQ(e.listTexts()[1], "Body Has \"b2\"");
  EXPECT_EQ(profile.get(filter, "rule2"), "<1<Body>1> <2<Has>2> <3<b2>3>");
  EXPECT_EQ(profile.get(filter, "rule3"), "!");
}

TEST_F(RuleEditorTest, AppendedRuleShowsPlainJoinUntilReloaded) {
  RuleEditor e = open();
  type(e, "Subject", "Has", "join list", "");
  e.confirm();
  EXPECT_EQ(e.listTexts().back(), "Subject Has join list");
  EXPECT_EQ(ff_Load_Rules(profile.store, filter).back(), "Subject Has \"join list\"");
}

TEST_F(RuleEditorTest, DeletingRenumbersRemainingRules) {
  RuleEditor e = open({"<1<Subject>1> <2<=>2> <3<a>3> <4<Or>4>",
                       "<1<Subject>1> <2<=>2> <3<b>3> <4<Or>4>", "<1<Subject>1> <2<=>2> <3<c>3>"});
  e.selectRow(1);
  EXPECT_TRUE(e.deleteSelected());
  EXPECT_EQ(profile.get(filter, "rule2"), "<1<Subject>1> <2<=>2> <3<c>3>");
  EXPECT_EQ(profile.get(filter, "rule3"), "!");
  EXPECT_EQ(e.rules().size(), 2u);
  EXPECT_FALSE(e.deleteEnabled());
}

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
  EXPECT_EQ(
      store::renameProfileTitle(profile.store, profile.folder.path(), "Gold", "A\tB")->message,
      "User Name cannot hold a TAB or line break.");

  testing::TaggingCipher cipher;
  store::SettingsFile settings(profile.folder / "program", profile.trap);
  store::NewProfileFields fields{"Gold\tList", "a@example.org", "a@example.org", "pop", "smtp", "a",
                                 "p"};
  EXPECT_EQ(store::createProfile(fields, settings, cipher).refusal->message,
            "Profile Title cannot hold a TAB.");
}

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
