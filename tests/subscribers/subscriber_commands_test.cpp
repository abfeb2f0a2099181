#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

// A profile made by new-profile with one filter that has an opt-in code.
class SubscriberCommands : public ::testing::Test {
 protected:
  SubscriberCommands() {
    EXPECT_EQ(newGoldProfile(folder.path()).status, 0);
    EXPECT_EQ(cli({"new-filter"}).status, 0);
    EXPECT_EQ(cli({"set", "5", "subject", "join"}).status, 0);
    EXPECT_EQ(cli({"set", "5", "toname", "~name~"}).status, 0);
  }
  CliResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--today", "2026-12-05"});
    return runCli(folder.path(), args);
  }
  TempFolder folder;
};

TEST_F(SubscriberCommands, AddSubscriberChecksLikeTheDialogAndSaves) {
  CliResult added =
      cli({"add-subscriber", "--email", "ann@x.com", "--name", "Ann, A.", "--filter", "Filter_1"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(readLines(folder / "Gold.txt")[0], "ann@x.com");
  CliResult again =
      cli({"add-subscriber", "--email", "ANN@x.com", "--name", "Ann", "--filter", "Filter_1"});
  EXPECT_EQ(again.status, 1);
  EXPECT_THAT(again.err, HasSubstr("Email Address: Email Address already exists!"));

  CliResult list = cli({"subscribers"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out,
            "email,name,signup,active,filter,sent\n"
            "ann@x.com,\"Ann, A.\",12/5/2026,true,Filter_1,none\n");
}

TEST_F(SubscriberCommands, ImportCsvPairsReportsAndSaves) {
  writeBytes(folder / "list.csv", "Bob,bob@x.com\r\n,\r\n\"Cid \"\"C\"\"\",cid@x.com\r\n");
  CliResult imported = cli({"import-csv", (folder / "list.csv").string(), "--filter", "Filter_1",
                            "--map", "email=2", "--map", "name=1"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out, "Imported 2 lines\nLine 2 skipped: empty address\nSkipped 1 lines\n");

  CliResult list = cli({"subscribers", "--filter", "Filter_1"});
  EXPECT_EQ(list.out,
            "email,name,signup,active,filter,sent\n"
            "bob@x.com,Bob,12/5/2026,true,Filter_1,none\n"
            "cid@x.com,\"Cid \"\"C\"\"\",12/5/2026,true,Filter_1,none\n");
  EXPECT_EQ(cli({"import-csv", "x.csv", "--filter", "Filter_1", "--map", "email=41"}).status, 2);
}

TEST_F(SubscriberCommands, RowActionsWorkOnAddressesOrAFilter) {
  ASSERT_EQ(cli({"new-filter"}).status, 0);
  for (const char* who : {"ann", "bob", "cy"}) {
    ASSERT_EQ(cli({"add-subscriber", "--email", std::string(who) + "@x.com", "--name", who,
                   "--filter", "Filter_1"})
                  .status,
              0);
  }
  auto table = [&] { return cli({"subscribers"}).out; };
  struct Step {
    std::vector<std::string> args;
    int status;
    std::string line;  // a line the table then holds ("" when not checked)
  };
  const Step steps[] = {
      {{"toggle", "BOB@x.com"}, 0, "bob@x.com,bob,12/5/2026,false,Filter_1,none"},
      {{"toggle", "--filter", "Filter_1"}, 0, "bob@x.com,bob,12/5/2026,true,Filter_1,none"},
      {{"toggle", "nobody@x.com"}, 1, ""},
      {{"toggle"}, 2, ""},
      {{"set-signup", "12/30/2006", "ann@x.com", "cy@x.com"},
       0,
       "cy@x.com,cy,12/30/2006,false,Filter_1,none"},
      {{"assign", "Filter_2", "cy@x.com"}, 1, "cy@x.com,cy,12/30/2006,false,Filter_1,none"},
      {{"--yes", "assign", "Filter_2", "cy@x.com"},
       0,
       "cy@x.com,cy,12/30/2006,false,Filter_2,none"},
      {{"--yes", "assign", "Nothing", "cy@x.com"}, 1, ""},
      {{"edit-subscriber", "ann@x.com", "--name", "Ann A", "--active", "true", "--signup",
        "2026-01-02"},
       0,
       "ann@x.com,Ann A,1/2/2026,true,Filter_1,none"},
      {{"edit-subscriber", "ann@x.com", "--active", "maybe"}, 2, ""},
      {{"delete", "bob@x.com"}, 1, "bob@x.com,bob,12/5/2026,true,Filter_1,none"},
      {{"--yes", "delete", "--filter", "Filter_2"}, 0, ""},
  };
  for (const Step& step : steps) {
    CliResult r = cli(step.args);
    EXPECT_EQ(r.status, step.status) << step.args[0] << " " << r.err;
    if (!step.line.empty()) {
      EXPECT_THAT(table(), HasSubstr(step.line + "\n")) << step.args[0];
    }
  }
  EXPECT_EQ(table(),
            "email,name,signup,active,filter,sent\n"
            "ann@x.com,Ann A,1/2/2026,true,Filter_1,none\n"
            "bob@x.com,bob,12/5/2026,true,Filter_1,none\n");
  // Hand-added subscribers carry their address and name for "~name~".
  EXPECT_THAT(readBytes(folder / "Gold.txt"),
              HasSubstr("email[/\\]bob@x.com[\\/]name[/\\]bob[\\/]"));

  CliResult found = cli({"find", "X.COM"});
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out,
            "email,name,signup,active,filter,sent\n"
            "ann@x.com,Ann A,1/2/2026,true,Filter_1,none\n"
            "bob@x.com,bob,12/5/2026,true,Filter_1,none\n");
  EXPECT_EQ(cli({"find", "bob", "--filter", "Filter_2"}).out,
            "email,name,signup,active,filter,sent\n");
}

}  // namespace
}  // namespace tidewell::testing
