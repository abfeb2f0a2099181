// Who may read what tidewell-cli makes: the folders it creates are the operator's alone, folders
// that exist keep their mode, and a profile others can read is pointed out once per run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "cli_runner.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;

fs::perms modeOf(const fs::path& path) {
  return fs::status(path).permissions() & fs::perms::all;
}

CliResult newGold(const fs::path& folder, const fs::path& programFolder) {
  return newGoldProfile(folder, "list@example.com", "pw", {"--folder", programFolder.string()});
}

std::vector<std::string> readableNotes(const fs::path& errlog) {
  std::vector<std::string> notes;
  if (!fs::exists(errlog)) return notes;
  for (const auto& line : store::splitLines(readBytes(errlog))) {
    if (line.find("is readable by other users") != std::string::npos) notes.push_back(line);
  }
  return notes;
}

TEST(CliPrivateFiles, MissingFoldersAreMade0700AndExistingOnesKeepTheirMode) {
  TempFolder top;
  fs::permissions(top.path(), fs::perms(0755));
  fs::path program = top / "data" / "Tidewell";
  CliResult r = newGold(top.path(), program);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::pair<fs::path, fs::perms> expected[] = {{top.path(), fs::perms(0755)},
                                                     {top / "data", fs::perms(0700)},
                                                     {program, fs::perms(0700)},
                                                     {program / "Gold.dat", fs::perms(0600)},
                                                     {program / "tidewell.ini", fs::perms(0600)}};
  for (const auto& [path, mode] : expected) EXPECT_EQ(modeOf(path), mode) << path;

  fs::permissions(program, fs::perms(0750));
  ASSERT_EQ(runCli(top.path(), {"--folder", program.string(), "tree"}).status, 0);
  EXPECT_EQ(modeOf(program), fs::perms(0750));
}

TEST(CliPrivateFiles, AProfileOthersCanReadIsNotedOncePerRunWithTheFix) {
  TempFolder program;
  ASSERT_EQ(newGold(program.path(), program.path()).status, 0);
  fs::path profile = program / "Gold.dat";
  fs::path errlog = program / "errlog.txt";
  EXPECT_TRUE(readableNotes(errlog).empty());

  fs::permissions(profile, fs::perms(0640));
  // tree and set read the profile many times over; each run notes it once.
  ASSERT_EQ(runCli(program.path(), {"tree"}).status, 0);
  std::vector<std::string> notes = readableNotes(errlog);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_THAT(notes[0], EndsWith("; chmod 600 " + profile.string()));
  ASSERT_EQ(runCli(program.path(), {"set", "2", "mins", "7"}).status, 0);
  EXPECT_EQ(readableNotes(errlog).size(), 2u);
  EXPECT_EQ(modeOf(profile), fs::perms(0640));  // a rewrite keeps the mode the operator chose

  fs::permissions(profile, fs::perms(0600));
  ASSERT_EQ(runCli(program.path(), {"tree"}).status, 0);
  EXPECT_EQ(readableNotes(errlog).size(), 2u);
}

}  // namespace
}  // namespace tidewell::testing
