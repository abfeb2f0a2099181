#include <gtest/gtest.h>

#include "store/profile_document.h"
#include "store/profile_model.h"
#include "store/profile_rename.h"
#include "store/text_file.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

class ProfileRename : public ::testing::Test, public TrapFixture {
 protected:
  ProfileRename() : profile(folder / "Gold.dat", trap) {
    std::vector<std::string> lines = store::newProfileSkeleton();
    lines[3] = "title: Gold";
    store::writeLinesDurably(folder / "Gold.dat", lines);
    profile.UpdateFile_new(store::kServerBlock, "parent", "Gold");
    writeBytes(folder / "Gold.txt", "ann@x.com\r\n");
  }
  std::optional<store::RenameRefusal> rename(const std::string& from, const std::string& to) {
    return store::renameProfileTitle(profile, folder.path(), from, to);
  }
  store::ProfileStore profile;
};

TEST_F(ProfileRename, NewTitleTakesTheSubscriberFileAndTheReferencesWithIt) {
  EXPECT_FALSE(rename("Gold", "Platinum"));
  EXPECT_EQ(profile.GetFromFile_new(store::kUserBlock, "title"), "Platinum");
  EXPECT_EQ(profile.GetFromFile_new(store::kServerBlock, "parent"), "Platinum");
  EXPECT_FALSE(std::filesystem::exists(folder / "Gold.txt"));
  EXPECT_EQ(readBytes(folder / "Platinum.txt"), "ann@x.com\r\n");
  EXPECT_FALSE(rename("Platinum", "platinum"));  // a change of case only is no duplicate
}

TEST_F(ProfileRename, RefusalsChangeNothing) {
  writeBytes(folder / "Silver.txt", "someone else's\r\n");
  for (const std::string& bad : {"", "  ", "a/b", "..", "Silver", "Server Settings"}) {
    SCOPED_TRACE(bad);
    auto refused = rename("Gold", bad);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->caption, "User Name");
    EXPECT_EQ(profile.GetFromFile_new(store::kUserBlock, "title"), "Gold");
    EXPECT_EQ(readBytes(folder / "Gold.txt"), "ann@x.com\r\n");
  }
  EXPECT_EQ(readBytes(folder / "Silver.txt"), "someone else's\r\n");
}

}  // namespace
}  // namespace tidewell::testing
