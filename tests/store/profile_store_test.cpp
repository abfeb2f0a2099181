#include "store/profile_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/text_file.h"
#include "support/test_support.h"

namespace tidewell::store {
namespace {

using testing::crlf;
using ::testing::HasSubstr;
using testing::readBytes;
using ::testing::StartsWith;
using testing::writeBytes;

const std::vector<std::string> kProfile{"user_properties_start",
                                        "index: 1",
                                        "name: user_properties_start",
                                        "title: Gold",
                                        "user_properties_end",
                                        "",
                                        "campaign_properties_start",
                                        "index: 2",
                                        "name: campaign_properties_start",
                                        "title: Server Settings",
                                        "parent: Gold",
                                        "campain_properties_end"};

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { writeBytes(path, crlf(kProfile)); }
  testing::TrapFixture fx;
  std::filesystem::path path = fx.folder / "Gold.dat";
  ProfileStore store{path, fx.trap};
};

TEST_F(ProfileStoreTest, ReadsLfAndMixedLineEndsAndWindows1252) {
  writeBytes(path, "user_properties_start\nindex: 1\r\ntitle: Caf\xE9\nuser_properties_end\n");
  EXPECT_EQ(store.GetFromFile_new(1, "title"), "Caf\xC3\xA9");
  ASSERT_TRUE(store.UpdateFile_new(1, "date", "12/5/2026"));
  EXPECT_EQ(readBytes(path), crlf({"user_properties_start", "index: 1", "title: Caf\xC3\xA9",
                                   "date: 12/5/2026", "user_properties_end"}));
}

TEST_F(ProfileStoreTest, MissingFileReadsAsAbsentAndWritersFailWithALogLine) {
  ProfileStore missing(fx.folder / "None.dat", fx.trap);
  EXPECT_EQ(missing.GetFromFile_new(1, "title"), "!");
  int line = 0;
  EXPECT_EQ(missing.GetFromFile("user_properties_start", "title:", line), "-1");
  EXPECT_TRUE(fx.logLines().empty());

  EXPECT_FALSE(missing.UpdateFile_new(1, "title", "x"));
  EXPECT_FALSE(std::filesystem::exists(fx.folder / "None.dat"));
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_THAT(fx.logLines()[0],
              StartsWith("UpdateFile_new:12/5/2026 1:02:03 PM 53 File not found"));
  EXPECT_THAT(fx.ui.statuses.back(), StartsWith("UpdateFile_new: File not found"));
}

TEST_F(ProfileStoreTest, BrokenBlockIsReportedAndTheFileKeptUntilRenumberingMendsIt) {
  std::string broken =
      crlf({"rule_properties_start", "index: 5", "title: A", "rule_properties_start", "index: 6",
            "title: B", "rule_properties_end"});
  writeBytes(path, broken);
  EXPECT_FALSE(store.UpdateFile_new(5, "optout", "x"));
  EXPECT_EQ(store.GetFromFile_new(5, "title"), "!");
  EXPECT_EQ(readBytes(path), broken);
  EXPECT_THAT(fx.ui.statuses.back(), HasSubstr("Block 5 has no closing line"));
  EXPECT_TRUE(store.UpdateIndex());
  ProfileStore missing(fx.folder / "None.dat", fx.trap);
  EXPECT_FALSE(missing.UpdateIndex());
  EXPECT_THAT(fx.logLines().back(), StartsWith("UpdateIndex 12/5/2026 "));
}

TEST_F(ProfileStoreTest, InterruptedChangeLeavesTheOldFileStaleWorkFilesGoCopyFileCommitsOne) {
  std::string before = readBytes(path);
  // A change that died after writing its work file but before the rename.
  writeWorkFile(path, "half a profile");
  EXPECT_EQ(readBytes(path), before);
  EXPECT_EQ(store.GetFromFile_new(1, "title"), "Gold");
  ASSERT_TRUE(store.UpdateFile_new(1, "title", "Silver"));
  EXPECT_EQ(store.GetFromFile_new(1, "title"), "Silver");
  EXPECT_THAT(readBytes(path), Not(HasSubstr("half a profile")));
  EXPECT_FALSE(std::filesystem::exists(workFilePath(path)));

  writeWorkFile(path, crlf({"replaced"}));
  EXPECT_TRUE(store.CopyFile());
  EXPECT_EQ(readBytes(path), crlf({"replaced"}));
  EXPECT_FALSE(store.CopyFile());  // no work file left to commit
}

}  // namespace
}  // namespace tidewell::store
