#include "editor/rule_editor.h"

#include <gtest/gtest.h>

#include "editor/rule_list.h"
#include "editor_fixture.h"

namespace tidewell::editor {
namespace {

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

}  // namespace
}  // namespace tidewell::editor
