// The window's Qt-free rules: the tree plan, the required-fields box, width units, and the open
// profile's start-up and shut-down writes.

#include <gtest/gtest.h>

#include "cipher/dated_password_cipher.h"
#include "profile_session.h"
#include "store/profile_model.h"
#include "support/test_support.h"
#include "tree_rules.h"
#include "window_rules.h"

namespace tidewell::app {
namespace {

using testing::readBytes;
using testing::TrapFixture;

std::vector<std::string> block(const std::string& kind, int index, const std::string& title,
                               const std::string& parent) {
  std::vector<std::string> lines{kind + "_properties_start", "index: " + std::to_string(index),
                                 "name: " + kind + "_properties_start", "title: " + title};
  if (!parent.empty()) lines.push_back("parent: " + parent);
  lines.push_back(kind + "_properties_end");
  return lines;
}

store::ProfileDocument document(const std::vector<std::vector<std::string>>& blocks) {
  std::vector<std::string> lines;
  for (const auto& b : blocks) lines.insert(lines.end(), b.begin(), b.end());
  return store::ProfileDocument(lines);
}

std::vector<std::vector<std::string>> fixedBlocks() {
  return {block("user", 1, "Gold", ""), block("campaign", 2, "Server Settings", "Gold"),
          block("outbound", 3, "Newsletters", "Server Settings"),
          block("inbound", 4, "Filters", "Server Settings")};
}

std::vector<std::string> titles(const TreePlan& plan) {
  std::vector<std::string> out;
  for (const TreeNode& n : plan.nodes) out.push_back(n.title);
  return out;
}

TEST(TreePlan, VisitsBlocksByIndexNotFileOrder) {
  auto blocks = fixedBlocks();
  blocks.push_back(block("newsletter", 6, "Welcome", "Newsletters"));
  blocks.push_back(block("rule", 5, "Filter_1", "Filters"));
  blocks.push_back(block("rule", 8, "After a gap", "Filters"));  // a gap in the indexes ends it
  TreePlan plan = planTree(document(blocks));
  ASSERT_FALSE(plan.error);
  EXPECT_EQ(titles(plan), (std::vector<std::string>{"Gold", "Server Settings", "Newsletters",
                                                    "Filters", "Filter_1", "Welcome"}));
  EXPECT_EQ(plan.nodes[4].kind, NodeKind::kFilter);
  EXPECT_EQ(plan.nodes[4].parentPosition, 3);
  EXPECT_EQ(plan.nodes[5].kind, NodeKind::kNewsletter);
  EXPECT_EQ(plan.nodes[5].parentPosition, 2);
  EXPECT_EQ(plan.nodes[0].parentPosition, -1);
}

TEST(TreePlan, AnUnknownParentOrATitleUsedTwiceStopsAfterTheNodesBeforeIt) {
  for (auto [title, parent] : {std::pair{"Lost", "Nowhere"}, {"Filter_1", "Newsletters"}}) {
    auto blocks = fixedBlocks();
    blocks.push_back(block("rule", 5, "Filter_1", "Filters"));
    blocks.push_back(block("newsletter", 6, title, parent));
    blocks.push_back(block("rule", 7, "Filter_2", "Filters"));
    TreePlan plan = planTree(document(blocks));
    ASSERT_TRUE(plan.error) << title;
    EXPECT_NE(plan.error->description.find(title), std::string::npos);
    EXPECT_EQ(plan.nodes.size(), 5u);
  }
}

TEST(WindowTexts, DefaultWidthsSurviveTheTripThroughPixels) {
  for (int twips : {540, 2910, 1395, 1410, 570, 1125}) {
    EXPECT_EQ(pixelsToTwips(twipsToPixels(twips)), twips) << twips;
  }
  EXPECT_EQ(twipsToPixels(2910), 194);
}

// Gold with one filter, and the session that opens it.
struct ProfileSessionTest : ::testing::Test, TrapFixture {
  cipher::DatedPasswordCipher cipher{trap};
  store::SettingsFile settings{folder.path(), trap};
  subscribers::GridColumnTable columns;
  std::filesystem::path profile = makeProfile();
  ProfileSession session{profile, settings, columns, cipher};

  std::filesystem::path makeProfile() {
    auto made = store::createProfile({"Gold", "a@b.c", "a@b.c", "pop", "smtp", "acc", "pw"},
                                     settings, cipher);
    store::ProfileStore store(*made.profilePath, trap);
    store::ProfileModel model(store);
    model.cmdNewInbound_Click(model.filtersTitle());
    return *made.profilePath;
  }
};

TEST_F(ProfileSessionTest, CloseWritesWidthsAndTheDelimiterTheProfileHolds) {
  session.open();
  // The filters panel writes a new delimiter straight into the profile while it is open.
  session.profile().UpdateFile_new(store::kFiltersBlock, "fielddelimiter", "#");
  session.close({600, 3000, 1395, 1410, 570, 1125});
  store::ProfileStore store(profile, trap);
  EXPECT_EQ(store.GetFromFile_new(4, "fielddelimiter"), "#");
  EXPECT_EQ(settings.gridText().rfind(":ON:600:tvcount,Email Address:ON:3000:tvemailaddy,", 0), 0u);
}

TEST_F(ProfileSessionTest, SavesSubscribersOnlyWhenChanged) {
  session.open();
  EXPECT_TRUE(session.saveSubscribersIfChanged());
  EXPECT_FALSE(std::filesystem::exists(folder / "Gold.txt"));
  session.table().add({"x@y.z", "X", {2026, 12, 1}, "none", "true", "Filter_1", ""});
  session.table().setChanged();
  EXPECT_TRUE(session.saveSubscribersIfChanged());
  EXPECT_NE(readBytes(folder / "Gold.txt").find("x@y.z"), std::string::npos);
}

}  // namespace
}  // namespace tidewell::app
