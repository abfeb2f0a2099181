#include <gtest/gtest.h>

#include "editor/extract_key_editor.h"
#include "editor/field_editor.h"
#include "editor/filter_advanced_choices.h"
#include "editor_fixture.h"
#include "store/profile_model.h"

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

}  // namespace
}  // namespace tidewell::editor
