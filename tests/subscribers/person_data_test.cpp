// A person's data on request, through tidewell-cli: the export names every place the address
// is held; the erasure leaves only its hash and every other line as it was.
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

// Two filters with the person in both, a pending sign-up, consent lines and logs; each file
// holds lines about others too (one with an address that merely contains the person's).
class PersonData : public ::testing::Test {
 protected:
  PersonData() {
    newGoldProfile(folder.path());
    for (int index : {5, 6}) {
      cli({"new-filter"});
      cli({"set", std::to_string(index), "subject", "join"});
    }
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
  CliResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--today", "2026-12-05"});
    return runCli(folder.path(), args);
  }
  TempFolder folder;
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
  EXPECT_THAT(
      cli({"add-subscriber", "--email", "ann@example.com", "--name", "A", "--filter", "Filter_1"})
          .err,
      HasSubstr("asked to be forgotten"));
}

}  // namespace
}  // namespace tidewell::testing
