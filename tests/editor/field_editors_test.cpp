#include <gtest/gtest.h>

#include "editor/extract_key_editor.h"
#include "editor/field_editor.h"
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
  for (char32_t c : std::u32string(U":,_-~")) {
    EXPECT_FALSE(FieldEditor::acceptsCaptionCharacter(c));
  }
}

TEST(FieldEditor, FreeSlotShowsEmptyAndEmailNameIsFixed) {
  FieldEditor e(defaultTable());
  EXPECT_EQ(e.shownName(2), "");
  EXPECT_EQ(e.shownCaption(2), "");
  EXPECT_FALSE(e.setName(0, "mail"));
  EXPECT_EQ(e.table()[0].name, "email");
}

TEST(FieldEditor, ActivationNeedsNameAndCaption) {
  FieldEditor e(defaultTable());
  EXPECT_FALSE(e.toggleActive(2));  // free slot
  e.setName(2, "city");
  e.setCaption(2, "   ");
  EXPECT_FALSE(e.toggleActive(2));
  e.setCaption(2, "City");
  EXPECT_TRUE(e.toggleActive(2));
  EXPECT_TRUE(e.active(2));
  EXPECT_EQ(e.table()[2].inputName, "input3");
  // Deactivating is always allowed, even without a caption.
  e.setCaption(2, "");
  EXPECT_TRUE(e.toggleActive(2));
  EXPECT_FALSE(e.active(2));
}

TEST(FieldEditor, InputNamesFollowDeactivation) {
  FieldEditor e(defaultTable());
  e.setName(2, "city");
  e.setCaption(2, "City");
  e.toggleActive(2);
  e.toggleActive(1);  // the name field off
  EXPECT_EQ(e.table()[0].inputName, "input1");
  EXPECT_EQ(e.table()[1].inputName, "");
  EXPECT_EQ(e.table()[2].inputName, "input2");
}

TEST(FieldEditor, ValueKeepsFortyOneEntries) {
  FieldEditor e(defaultTable());
  e.setName(3, "zip");
  std::string value = e.value();
  EXPECT_EQ(std::count(value.begin(), value.end(), ','), 41);
  EXPECT_EQ(value.rfind("email:Email Address:on,name:Name:on,_::off,zip::off,", 0), 0u);
}

TEST(ExtractKeyEditor, ChoicesListActiveFieldsAfterAnEmptyOne) {
  ExtractKeyEditor e({}, defaultTable());
  auto choices = e.pmfChoices();
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[0].text, "");
  EXPECT_EQ(choices[1].text, "Email Address (email)");
  EXPECT_EQ(choices[2].name, "name");
  EXPECT_EQ(ExtractKeyEditor::untilValue("' ' (Space)"), " ");
  EXPECT_EQ(ExtractKeyEditor::untilValue("Tab"), "Tab");
}

TEST(ExtractKeyEditor, ActivationNeedsFindUntilAndTarget) {
  ExtractKeyEditor e({}, defaultTable());
  e.setFind(0, "Name:");
  EXPECT_FALSE(e.toggleActive(0));
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

}  // namespace
}  // namespace tidewell::editor
