// Several SMTP connections at once against the test server that answers as providers do: the
// sent lists, the activity log and the error log read exactly as with one connection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "sending_profile.h"
#include "store/text.h"

namespace tidewell::testing {
namespace {

class SendConnections : public SendingProfile {};

// The log lines (of the error log: those about sending) without their dates and times, the
// recipients' tag replaced by "T".
std::vector<std::string> normalised(const std::string& text, const std::string& tag,
                                    bool activity) {
  std::vector<std::string> lines;
  for (std::string line : store::splitLines(text)) {
    line = store::replaceAll(line, tag, "T");
    if (activity) {
      line = line.substr(0, line.rfind('\t'));  // time
      line = line.substr(0, line.rfind('\t'));  // date
    } else if (std::size_t at = line.find(" 1004 "); at != std::string::npos) {
      line = line.substr(at);
    } else {
      continue;  // not about sending
    }
    lines.push_back(line);
  }
  return lines;
}

TEST_F(SendConnections, TwoAndFourConnectionsRecordExactlyWhatOneDoes) {
  struct Run {
    std::vector<std::string> activity, errors, rows;
  };
  std::vector<Run> runs;
  const unsigned seed = std::random_device()() % 100000;
  for (int connections : {1, 2, 4}) {
    SCOPED_TRACE("connections " + std::to_string(connections));
    std::filesystem::remove_all(folder.path());
    std::filesystem::create_directories(folder.path());
    makeProfile("SMTP_REPLY_PORT");
    set(2, "connections", std::to_string(connections));
    const std::string tag = "c" + std::to_string(seed) + "x" + std::to_string(connections);
    std::vector<std::string> addresses;
    for (int i = 0; i < 40; ++i) {
      std::string kind = i == 3 ? "unknown" : i == 7 ? "tempfailonce" : i == 11 ? "tempfail" : "to";
      addresses.push_back(kind + "-" + tag + "-" + std::to_string(i) + "@example.net");
    }
    addresses.push_back(addresses[5]);  // the same address twice in the list
    writeSubscribers(addresses);
    CliResult result = cli({"send", "--retry-wait", "0"});
    EXPECT_EQ(result.status, 1) << result.err;  // the refusals are in the error log
    for (int i = 0; i < 40; ++i) {
      std::size_t expected = i == 3 || i == 11 ? 0 : 1;
      EXPECT_EQ(rig.acceptedCount(store::split(addresses[i], "@")[0]), expected) << i;
    }
    Run run;
    run.activity = normalised(readBytes(folder / "activity.log"), tag, true);
    run.errors = normalised(errorLog(), tag, false);
    for (const auto& row : rows("")) run.rows.push_back(store::replaceAll(row, tag, "T"));
    runs.push_back(run);
  }
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].activity.size(), 38u);
  for (std::size_t r = 1; r < runs.size(); ++r) {
    EXPECT_EQ(runs[r].activity, runs[0].activity);
    EXPECT_EQ(runs[r].errors, runs[0].errors);
    EXPECT_EQ(runs[r].rows, runs[0].rows);
  }
}

}  // namespace
}  // namespace tidewell::testing
