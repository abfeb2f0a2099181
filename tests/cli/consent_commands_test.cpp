#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_runner.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

// A profile with one filter and two sign-ups waiting: one written by this program, one by hand
// with only the eight fields every reader knows.
class ConsentCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(newGoldProfile(folder.path()).status, 0);
    ASSERT_EQ(cli({"new-filter"}).status, 0);
    writeBytes(folder / "Gold.pending",
               crlf({"ann@x.org\tFilter_1\t12/1/2026\t1:00:00 PM\t-\temail[/\\]ann@x.org[\\/]\t"
                     "<s1@x>\t192.0.2.1\tAnn\t12/1/2026\tTW-AAAAAAAA\tbuilt-in\tab12\tlink",
                     "bob@x.org\tFilter_1\t12/2/2026\t2:00:00 PM\t-\t-\t-\t-"}));
  }
  CliResult cli(const std::vector<std::string>& args) { return runCli(folder.path(), args); }
  TempFolder folder;
};

TEST_F(ConsentCommands, PendingSignUpsAreListedConfirmedResentAndDroppedByHand) {
  CliResult listed = cli({"--today", "2026-12-03", "pending"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_THAT(listed.out, HasSubstr("ann@x.org\tFilter_1\t12/1/2026\t12/1/2026\t-\t12/15/2026"));
  EXPECT_THAT(listed.out, HasSubstr("bob@x.org\tFilter_1\t12/2/2026\t-\t-\t12/16/2026"));

  struct Step {
    std::vector<std::string> args;
    int status;
  } steps[] = {
      {{"confirm", "ANN@x.org"}, 0},
      {{"confirm", "ann@x.org"}, 1},  // no longer waiting
      {{"resend-confirmation", "bob@x.org"}, 0},
      {{"drop-pending", "bob@x.org", "--filter", "Other"}, 1},
      {{"drop-pending", "bob@x.org"}, 0},
      {{"add-subscriber", "--email", "cy@x.org", "--name", "Cy", "--filter", "Filter_1"}, 0},
  };
  ASSERT_EQ(cli({"set", "5", "subject", "join"}).status, 0);  // New Email needs an opt-in code
  for (const Step& s : steps) EXPECT_EQ(cli(s.args).status, s.status) << s.args[0];

  EXPECT_EQ(cli({"pending"}).out.find("@x.org"), std::string::npos);
  std::string subscribers = cli({"subscribers"}).out;
  EXPECT_THAT(subscribers, HasSubstr("ann@x.org,Ann,"));
  EXPECT_THAT(subscribers, HasSubstr(",true,Filter_1,"));
  CliResult ann = cli({"consent", "ann@x.org"});
  EXPECT_THAT(ann.out,
              HasSubstr("\tann@x.org\tFilter_1\tcli\t<s1@x>\t-\t192.0.2.1\tbuilt-in\tab12"));
  EXPECT_THAT(cli({"consent", "cy@x.org"}).out, HasSubstr("\tcy@x.org\tFilter_1\tcli\t"));
  EXPECT_THAT(cli({"consent", "bob@x.org"}).err, HasSubstr("No consent is on record"));
  EXPECT_THAT(readBytes(folder / "errlog.txt"), HasSubstr("dropped by the operator"));
}

}  // namespace
}  // namespace tidewell::testing
