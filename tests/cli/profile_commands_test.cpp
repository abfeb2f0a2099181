#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "cipher/password_cipher.h"
#include "cli_runner.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;

class ProfileCommands : public ::testing::Test {
 protected:
  CliResult cli(const std::vector<std::string>& args) { return runCli(folder.path(), args); }
  CliResult newGold() {
    return newGoldProfile(folder.path(), "list@example.com", "s3cret pass",
                          {"--today", "2026-12-05"});
  }
  std::vector<std::string> goldLines() { return store::splitLines(readBytes(folder / "Gold.dat")); }
  TempFolder folder;
};

// The profile's lines are the profile model's; the command enciphers the password for the day
// given and remembers the profile in the settings file.
TEST_F(ProfileCommands, NewProfileEnciphersThePasswordAndOpensTheProfile) {
  CliResult r = newGold();
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = goldLines();
  ASSERT_EQ(lines[15].rfind("pass: ", 0), 0u);
  std::string stored = lines[15].substr(6);
  EXPECT_EQ(stored.size(), 64u);  // 4 + 11 bytes fit one 32-byte block
  TrapFixture fx;
  EXPECT_EQ(cipher::f_decrypt(fx.trap, stored, "12/5/2026"), "s3cret pass");
  EXPECT_THAT(readBytes(folder / "tidewell.ini"), HasSubstr("\r\nstartfile: Gold.dat\r\n"));
}

TEST_F(ProfileCommands, RefusalsAndUsageErrorsHaveTheirExitStatus) {
  ASSERT_EQ(newGold().status, 0);
  CliResult again = newGold();
  EXPECT_EQ(again.status, 1);
  EXPECT_THAT(again.err, HasSubstr("Profile Title: A profile named Gold already exists."));
  EXPECT_EQ(cli({"get", "1"}).status, 2);
  EXPECT_EQ(cli({"get", "one", "title"}).status, 2);
  EXPECT_EQ(cli({"--today", "12/5/2026", "tree"}).status, 2);
  EXPECT_EQ(cli({"frobnicate"}).status, 2);
  EXPECT_EQ(cli({"help"}).status, 0);
}

TEST_F(ProfileCommands, GetSetTreeAndNodes) {
  ASSERT_EQ(newGold().status, 0);
  EXPECT_EQ(cli({"get", "2", "smtp"}).out, "127.0.0.1\n");
  EXPECT_EQ(cli({"get", "2", "LastEmailId"}).out, "!\n");
  EXPECT_EQ(cli({"set", "2", "mins", "10"}).status, 0);
  EXPECT_EQ(cli({"get", "2", "mins"}).out, "10\n");
  EXPECT_EQ(cli({"new-newsletter"}).out, "5\tNew Newsletter #1\n");
  EXPECT_EQ(cli({"new-filter"}).out, "6\tFilter_1\n");
  EXPECT_EQ(cli({"new-filter"}).out, "7\tFilter_2\n");
  EXPECT_EQ(cli({"tree"}).out,
            "1\tuser\tGold\t\n2\tcampaign\tServer Settings\tGold\n"
            "3\toutbound\tNewsletters\tServer Settings\n4\tinbound\tFilters\tServer Settings\n"
            "5\tnewsletter\tNew Newsletter #1\tNewsletters\n6\trule\tFilter_1\tFilters\n"
            "7\trule\tFilter_2\tFilters\n");
  EXPECT_EQ(cli({"delete-node", "6"}).status, 0);
  EXPECT_EQ(cli({"get", "6", "title"}).out, "Filter_2\n");
  EXPECT_EQ(cli({"delete-node", "3"}).status, 1);
  EXPECT_EQ(cli({"delete-node", "9"}).status, 1);
  EXPECT_THAT(readBytes(folder / "errlog.txt"), HasSubstr("DeleteNode:"));
}

TEST_F(ProfileCommands, ReadErrorsFailTheCommand) {
  ASSERT_EQ(newGold().status, 0);
  EXPECT_EQ(cli({"set", "42", "title", "x"}).status, 1);
  writeBytes(folder / "Broken.dat", crlf({"rule_properties_start", "index: 5", "title: A"}));
  CliResult r = cli({"--profile", (folder / "Broken.dat").string(), "get", "5", "title"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "!\n");
  EXPECT_THAT(r.err, HasSubstr("GetFromFile_new: Block 5 has no closing line"));
  std::filesystem::create_directory(folder / "empty");
  ASSERT_EQ(cli({"set", "4", "index", "9"}).status, 0);  // a gap after block 3
  CliResult gap = cli({"tree"});
  EXPECT_EQ(gap.status, 1);
  EXPECT_EQ(std::count(gap.out.begin(), gap.out.end(), '\n'), 3);
  EXPECT_THAT(gap.err, HasSubstr("1 block(s) after index 3 are out of order"));
  CliResult none = runCli(folder / "empty", {"tree"});
  EXPECT_EQ(none.status, 1);
  EXPECT_THAT(none.err, HasSubstr("No profile is open"));
}

// A file that is not what its name claims is refused with its name and line, and left alone.
TEST_F(ProfileCommands, FilesThatAreNotWhatTheyClaimFailAndStayUntouched) {
  ASSERT_EQ(newGold().status, 0);
  struct Case {
    const char* file;
    std::string bytes;
    std::vector<std::string> command;
    const char* kind;  // what the refusal says the file is not, and at which line
  };
  const std::vector<Case> cases = {
      {"Gold.dat", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), {"tree"}, "profile (line 1)"},
      {"Gold.dat", "\r\n\r\njust some notes\r\n", {"set", "1", "title", "X"}, "profile (line 3)"},
      {"tidewell.ini", "hello\n", {"tree"}, "settings file (line 1)"},
      {"Gold.txt", "name,email\r\nAnn,ann@x.com\r\n", {"subscribers"}, "subscriber file (line 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    std::string before = readBytes(folder / c.file);
    writeBytes(folder / c.file, c.bytes);
    CliResult r = cli(c.command);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr(std::string(c.file) + " is not a Tidewell " + c.kind));
    EXPECT_EQ(readBytes(folder / c.file), c.bytes);
    if (before.empty()) {
      std::filesystem::remove(folder / c.file);
    } else {
      writeBytes(folder / c.file, before);
    }
  }
}

// Who may read what tidewell-cli makes: the folders it creates are the operator's alone, folders
// that exist keep their mode, and a profile others can read is pointed out once per run.
namespace fs = std::filesystem;

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
