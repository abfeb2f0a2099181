// A sending pass against a test SMTP server that answers as providers do: a recipient it asks
// to try later, one it refuses for good, and a sender it stops after a number of messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "sending_profile.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

class SendReplies : public SendingProfile {
 protected:
  std::string unique(const std::string& what) { return what + "-r" + std::to_string(tag) + "-"; }
  unsigned tag = std::random_device()() % 100000;
};

TEST_F(SendReplies, TryLaterIsRetriedInThePassAndUnknownIsSwitchedOff) {
  makeProfile("SMTP_REPLY_PORT");
  const std::string busy = unique("tempfail"), once = unique("tempfailonce"),
                    gone = unique("unknown"), fine = unique("fine");
  writeSubscribers(
      {gone + "@example.net", busy + "@example.net", once + "@example.net", fine + "@example.net"});
  CliResult result = cli({"send", "--retry-wait", "0"});
  EXPECT_EQ(result.status, 1) << result.err;  // the refusals are in the error log
  EXPECT_EQ(rig.acceptedCount(fine), 1u);
  EXPECT_EQ(rig.acceptedCount(once), 1u);  // accepted at its second try, after the others
  EXPECT_EQ(rig.acceptedCount(busy), 0u);
  std::vector<std::string> log = store::splitLines(errorLog());
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [&](const std::string& l) { return l.find(busy) != std::string::npos; }),
            3);  // three tries, then it waits for the next cycle
  auto table = rows("");
  auto rowOf = [&](const std::string& local) {
    for (const auto& r : table)
      if (r.rfind(local, 0) == 0) return r;
    return std::string();
  };
  EXPECT_THAT(rowOf(gone), HasSubstr(",false,"));  // a permanent bounce
  EXPECT_THAT(rowOf(busy), HasSubstr(",true,"));
  EXPECT_THAT(rowOf(busy), HasSubstr(",none"));
  EXPECT_THAT(rowOf(once), HasSubstr(std::string(kTitle) + "[\\?]"));
}

TEST_F(SendReplies, SendingLimitPausesThePassAndTheNextOneGoesOn) {
  makeProfile("SMTP_REPLY_PORT", "limit5-" + std::to_string(tag) + "@example.net");
  std::vector<std::string> addresses;
  for (int i = 0; i < 8; ++i)
    addresses.push_back(unique("to") + std::to_string(i) + "@example.net");
  writeSubscribers(addresses);
  CliResult first = cli({"send"});
  EXPECT_THAT(first.err, HasSubstr("Sending paused: the mail server's sending limit was reached"));
  std::size_t sent = 0;
  for (int i = 0; i < 8; ++i) sent += rig.acceptedCount(unique("to") + std::to_string(i));
  EXPECT_EQ(sent, 5u);
  // The provider's window has passed (a fresh sender in the test server's eyes).
  set(2, "email", "limit50-" + std::to_string(tag) + "@example.net");
  CliResult second = cli({"send"});
  EXPECT_EQ(second.status, 0) << second.err << errorLog();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(rig.acceptedCount(unique("to") + std::to_string(i)), 1u);
}

TEST_F(SendReplies, CapPerMinuteStopsAtTheCapAndTheNextCycleGoesOn) {
  makeProfile("SMTP_PLAIN_PORT");
  set(2, "capminute", "50");
  std::vector<std::string> addresses;
  for (int i = 0; i < 60; ++i)
    addresses.push_back(unique("cap") + std::to_string(i) + "@example.net");
  writeSubscribers(addresses);
  auto sent = [&] {
    std::size_t n = 0;
    for (int i = 0; i < 60; ++i) n += rig.acceptedCount(unique("cap") + std::to_string(i));
    return n;
  };
  CliResult first = cli({"check"});
  EXPECT_THAT(first.err, HasSubstr("Sending paused: limit per minute reached"));
  EXPECT_EQ(sent(), 50u);
  EXPECT_EQ(cli({"send"}).status, 0);  // the same minute: nothing more
  EXPECT_EQ(sent(), 50u);
  // A minute later (the sends moved back in time in the rate file) the next cycle goes on.
  std::vector<std::string> moved;
  for (const auto& line : store::readLines(folder / "Send.rate"))
    moved.push_back(std::to_string(std::stoll(line) - 120));
  ASSERT_EQ(moved.size(), 50u);
  writeBytes(folder / "Send.rate", crlf(moved));
  CliResult next = cli({"check"});
  EXPECT_EQ(next.status, 0) << next.err << errorLog();
  EXPECT_EQ(sent(), 60u);
  for (int i = 0; i < 60; ++i) EXPECT_EQ(rig.acceptedCount(unique("cap") + std::to_string(i)), 1u);
}

}  // namespace
}  // namespace tidewell::testing
