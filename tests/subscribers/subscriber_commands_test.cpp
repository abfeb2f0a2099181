#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "cli/cli_runner.h"
#include "consent/person_record.h"
#include "consent/suppression_list.h"
#include "store/text.h"
#include "subscriber_fixture.h"
#include "support/test_support.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

const std::string kHeader = "email,name,signup,active,filter,sent\n";  // of every listing

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
  CliResult list = cli({"subscribers"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, kHeader + "ann@x.com,\"Ann, A.\",12/5/2026,true,Filter_1,none\n");
}

TEST_F(SubscriberCommands, ImportCsvPairsReportsAndSaves) {
  writeBytes(folder / "list.csv", "Bob,bob@x.com\r\n,\r\n\"Cid \"\"C\"\"\",cid@x.com\r\n");
  CliResult imported = cli({"import-csv", (folder / "list.csv").string(), "--filter", "Filter_1",
                            "--map", "email=2", "--map", "name=1"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out, "Imported 2 lines\nLine 2 skipped: empty address\nSkipped 1 lines\n");

  CliResult list = cli({"subscribers", "--filter", "Filter_1"});
  EXPECT_EQ(list.out, kHeader +
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
    std::string row;  // a row the table then holds, before its sent list ("" when not checked)
  };
  const Step steps[] = {
      {{"toggle", "BOB@x.com"}, 0, "bob@x.com,bob,12/5/2026,false,Filter_1"},
      {{"toggle", "--filter", "Filter_1"}, 0, "bob@x.com,bob,12/5/2026,true,Filter_1"},
      {{"toggle", "nobody@x.com"}, 1, ""},
      {{"toggle"}, 2, ""},
      {{"set-signup", "12/30/2006", "ann@x.com", "cy@x.com"}, 0, "cy@x.com,cy,12/30/2006,false"},
      {{"assign", "Filter_2", "cy@x.com"}, 1, "cy@x.com,cy,12/30/2006,false,Filter_1"},
      {{"--yes", "assign", "Filter_2", "cy@x.com"}, 0, "cy@x.com,cy,12/30/2006,false,Filter_2"},
      {{"edit-subscriber", "ann@x.com", "--name", "Ann A", "--active", "true", "--signup",
        "2026-01-02"},
       0,
       "ann@x.com,Ann A,1/2/2026,true,Filter_1"},
      {{"edit-subscriber", "ann@x.com", "--active", "maybe"}, 2, ""},
      {{"delete", "bob@x.com"}, 1, "bob@x.com,bob,12/5/2026,true,Filter_1"},
      {{"--yes", "delete", "--filter", "Filter_2"}, 0, ""},
  };
  for (const Step& step : steps) {
    CliResult r = cli(step.args);
    EXPECT_EQ(r.status, step.status) << step.args[0] << " " << r.err;
    if (!step.row.empty()) {
      EXPECT_THAT(table(), HasSubstr(step.row + ",")) << step.args[0];
    }
  }
  const std::string left = kHeader + "ann@x.com,Ann A,1/2/2026,true,Filter_1,none\n" +
                           "bob@x.com,bob,12/5/2026,true,Filter_1,none\n";
  EXPECT_EQ(table(), left);
  // Hand-added subscribers carry their address and name for "~name~".
  EXPECT_THAT(readBytes(folder / "Gold.txt"),
              HasSubstr("email[/\\]bob@x.com[\\/]name[/\\]bob[\\/]"));

  CliResult found = cli({"find", "X.COM"});
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, left);
  EXPECT_EQ(cli({"find", "bob", "--filter", "Filter_2"}).out, kHeader);
}

// A person's data on request: the export names every place the address is held; the erasure
// leaves only its hash and every other line as it was.
// Two filters with the person in both, a pending sign-up, consent lines and logs; each file
// holds lines about others too (one with an address that merely contains the person's).
class PersonData : public SubscriberCommands {
 protected:
  PersonData() {
    cli({"new-filter"});
    cli({"set", "6", "subject", "join"});
    auto lines =
        concat({recordLines("Ann@Example.com", "Ann", "12/1/2026", "true", "Filter_1",
                            pmfOf({{"email", "Ann@Example.com"}, {"city", "Oslo"}}), "Hi[\\?]"),
                recordLines("joann@example.com", "Jo"),
                recordLines("ann@example.com", "Ann", "12/2/2026", "false", "Filter_2")});
    files = {
        {"Gold.txt", crlf(lines)},
        {"Gold.pending",
         "ann@example.com\tFilter_2\t12/3/2026\t9:00:00 AM\t-\tpmf\t<s1@x>\t"
         "192.0.2.7\r\nbob@example.com\tFilter_2\t12/3/2026\t9:01:00 AM\t-\tpmf\t"
         "<s2@x>\t-\r\n"},
        {"consent.log",
         "12/1/2026\t8:00:00 AM\tann@example.com\tFilter_1\tmail\t<s0@x>\t-\t-"
         "\t-\t-\r\njoann@example.com\tsomething else\r\n"},
        {"activity.log",
         "message sent:\tann@example.com\tHi\t12/1/2026\t8:00:01 AM\r\n"
         "message sent:\tjoann@example.com\tHi\t12/1/2026\t8:00:02 AM\n"},
        {"deactivated.log", "12/2/2026\t1:00:00 PM\tann@example.com\tFilter_2\topt-out\t-\t-\r\n"},
        {"unsent.log", "message fail:\tbob@example.com\tHi\t12/1/2026\t8:00:03 AM\r\n"},
        {"Gold.bounces", "ann@example.com\t1\t12/4/2026\t12/4/2026\t12/4/2026\r\n"},
        {"Gold.suppressed", "@spam.example\t12/1/2026\tmanual\r\n"},
    };
    for (const auto& [name, text] : files) writeBytes(folder / name, text);
  }
  std::map<std::string, std::string> files;
};

TEST_F(PersonData, TheExportHoldsEveryPlaceAndTheErasureLeavesOnlyTheHash) {
  CliResult exported = cli({"export-person", "ANN@example.com"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  for (const char* held : {"\"filter\": \"Filter_1\", \"email\": \"Ann@Example.com\"",
                           "\"name\": \"city\", \"value\": \"Oslo\"", "\"sent\": [\n        \"Hi\"",
                           "\"filter\": \"Filter_2\", \"email\": \"ann@example.com\"",
                           "\"ip\": \"192.0.2.7\"", "\"how\": \"mail\"", "\"count\": \"1\"",
                           "\"message sent:\\tann@example.com\\tHi", "opt-out"}) {
    EXPECT_THAT(exported.out, HasSubstr(held));
  }
  EXPECT_THAT(exported.out, ::testing::Not(HasSubstr("joann")));

  EXPECT_EQ(cli({"erase-person", "ann@example.com"}).status, 1);  // asked, answered no
  CliResult erased = cli({"--yes", "erase-person", "ann@example.com"});
  ASSERT_EQ(erased.status, 0) << erased.err;
  EXPECT_EQ(erased.out, "Erased 2 subscriber records and 5 lines of other files\n");
  for (const auto& [name, before] : files) {
    SCOPED_TRACE(name);
    std::string kept;
    for (const std::string& line : store::split(before, "\n")) {
      if (!line.empty() && !consent::lineNamesAddress(line, "ann@example.com")) kept += line + "\n";
    }
    const std::string after = readBytes(folder / name);
    if (name == "Gold.suppressed") {
      EXPECT_EQ(after, kept + consent::SuppressionList::hashKey("ann@example.com") +
                           "\t12/5/2026\terased\r\n");
    } else if (name != "Gold.txt") {
      EXPECT_EQ(after, kept);
    }
  }
  EXPECT_EQ(readLines(folder / "Gold.txt"), recordLines("joann@example.com", "Jo"));
  EXPECT_THAT(readBytes(folder / "errlog.txt"), ::testing::Not(HasSubstr("ann@example.com")));
  // The dialog's checks refuse the erased address, with their caption and reason.
  CliResult again =
      cli({"add-subscriber", "--email", "ann@example.com", "--name", "A", "--filter", "Filter_1"});
  EXPECT_EQ(again.status, 1);
  EXPECT_THAT(
      again.err,
      HasSubstr("Email Address: This address cannot be added: the person asked to be forgotten"));
}

}  // namespace
}  // namespace tidewell::testing
