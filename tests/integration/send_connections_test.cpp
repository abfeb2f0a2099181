// Sending passes against the test SMTP server that answers as providers do: a recipient it asks
// to try later, one it refuses for good, a sender it stops after a number of messages; with
// several connections at once the sent lists and the logs read exactly as with one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "sending_profile.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

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
    if (connections == 1) {
      // The unknown address is switched off; the one asked to try later had three tries and
      // waits; the one asked once got the newsletter at its second try, after the others.
      auto rowOf = [&](int i) { return rows(store::split(addresses[i], "@")[0] + "@").at(0); };
      EXPECT_THAT(rowOf(3), HasSubstr(",false,"));
      EXPECT_THAT(rowOf(11), HasSubstr(",true,"));
      EXPECT_THAT(rowOf(11), HasSubstr(",none"));
      EXPECT_THAT(rowOf(7), HasSubstr(std::string(kTitle) + "[\\?]"));
      const auto log = store::splitLines(errorLog());
      EXPECT_EQ(
          std::count_if(log.begin(), log.end(),
                        [&](const std::string& l) { return l.find(addresses[11]) != l.npos; }),
          3);
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

TEST_F(SendConnections, SendingLimitPausesThePassAndTheNextOneGoesOn) {
  const std::string tag = std::to_string(std::random_device()() % 100000);
  makeProfile("SMTP_REPLY_PORT", "limit5-" + tag + "@example.net");
  std::vector<std::string> addresses;
  for (int i = 0; i < 8; ++i)
    addresses.push_back("to-l" + tag + "-" + std::to_string(i) + "@example.net");
  writeSubscribers(addresses);
  auto sent = [&] {
    std::size_t n = 0;
    for (const auto& a : addresses) n += rig.acceptedCount(store::split(a, "@")[0]);
    return n;
  };
  CliResult first = cli({"send"});
  EXPECT_THAT(first.err, HasSubstr("Sending paused: the mail server's sending limit was reached"));
  EXPECT_EQ(sent(), 5u);
  // The provider's window has passed (a fresh sender in the test server's eyes).
  set(2, "email", "limit50-" + tag + "@example.net");
  CliResult second = cli({"send"});
  EXPECT_EQ(second.status, 0) << second.err << errorLog();
  EXPECT_EQ(sent(), 8u);
}

}  // namespace
}  // namespace tidewell::testing
