#include "store/profile_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

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

TEST_F(ProfileStoreTest, ChangesAreWrittenWithCrLfAndNoWorkFileRemains) {
  ASSERT_TRUE(store.UpdateFile_new(2, "pop3", "pop.example.com"));
  std::vector<std::string> expected = kProfile;
  expected.insert(expected.end() - 1, "pop3: pop.example.com");
  EXPECT_EQ(readBytes(path), crlf(expected));
  EXPECT_FALSE(std::filesystem::exists(workFilePath(path)));
}

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

// Runs body in a child process without the superuser's right to ignore permissions, and
// returns what body returned (or -1 when the child could not drop its rights).
int asUnprivilegedUser(const std::function<int()>& body) {
  pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(255);
    try {
      _exit(body());
    } catch (...) {
      _exit(254);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

TEST_F(ProfileStoreTest, ReadOnlyFolderFailsWithoutLoss) {
  std::string before = readBytes(path);
  std::filesystem::permissions(fx.folder.path(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  std::filesystem::permissions(
      fx.folder.path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
      std::filesystem::perm_options::add);
  int written = asUnprivilegedUser([&] { return store.UpdateFile_new(1, "title", "x") ? 1 : 0; });
  std::filesystem::permissions(fx.folder.path(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  ASSERT_NE(written, -1) << "could not run without privileges";
  EXPECT_EQ(written, 0);
  EXPECT_EQ(readBytes(path), before);
}

TEST_F(ProfileStoreTest, AppendFormWritesOneLineAndCreatesTheFile) {
  ProfileStore log(fx.folder / "new.log", fx.trap);
  EXPECT_TRUE(log.UpdateFile_new(ProfileStore::kAppendIndex, "", "first"));
  EXPECT_TRUE(log.UpdateFile_new(ProfileStore::kAppendIndex, "ignored", "second"));
  EXPECT_EQ(readBytes(fx.folder / "new.log"), crlf({"first", "second"}));
}

TEST_F(ProfileStoreTest, UpdateFileReportsWhetherTheLineWasFound) {
  EXPECT_TRUE(store.UpdateFile("title: Silver", "Gold", 1));
  EXPECT_EQ(store.GetFromFile_new(2, "parent"), "Silver");
  std::string after = readBytes(path);
  EXPECT_FALSE(store.UpdateFile("title: Bronze", "Gold", 1));
  EXPECT_EQ(readBytes(path), after);
  EXPECT_TRUE(fx.logLines().empty());
}

}  // namespace
}  // namespace tidewell::store
