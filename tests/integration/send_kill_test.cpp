// tidewell-cli sending to 2,000 subscribers over the test SMTP server, SIGKILLed five times and
// then finished: at most the copy in flight at each kill arrives twice, nothing is lost. Two sends
// at once: the second is refused, naming the first, or waits for it with --wait.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "sending_profile.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

constexpr int kRecipients = 2000;
constexpr int kKills = 5;
constexpr auto kRoundLimit = std::chrono::seconds(20);

class ManySubscribers : public SendingProfile {
 protected:
  void SetUp() override {
#ifdef TIDEWELL_SLOW_BUILD
    GTEST_SKIP() << "sends 2,000 messages several times; run in the plain build";
#endif
    RigTest::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
    subscribeAll("k");
    seed = std::random_device()();
    RecordProperty("seed", std::to_string(seed));
  }

  // kRecipients subscribers with local parts of their own (tag), so tests running beside this one
  // never share a recipient.
  void subscribeAll(const std::string& prefix) {
    tag = prefix + std::to_string(std::random_device()() % 100000) + "n";
    std::vector<std::string> addresses;
    for (int i = 0; i < kRecipients; ++i)
      addresses.push_back(tag + std::to_string(i) + "@example.net");
    writeSubscribers(addresses);
  }

  std::size_t sentCount() const {
    return store::splitLines(readBytes(folder / "activity.log")).size();
  }

  // Starts tidewell-cli with args and kills it once the activity log holds `killAt` lines;
  // true when it was killed, false when it ended by itself first.
  bool runAndKill(const std::vector<std::string>& args, std::size_t killAt) {
    const pid_t pid = spawnCli(args);
    if (pid < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + kRoundLimit;
    int status = 0;
    bool killed = false;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (sentCount() >= killAt || std::chrono::steady_clock::now() > deadline) {
        EXPECT_LT(std::chrono::steady_clock::now(), deadline) << "the round did not end in time";
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        killed = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return killed;
  }

  // The moments of the kills: counts of sent messages, random, rising, within the pass.
  std::vector<std::size_t> killPoints() {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(20, kRecipients - 100);
    std::vector<std::size_t> points;
    for (int i = 0; i < kKills; ++i) points.push_back(pick(random));
    std::sort(points.begin(), points.end());
    return points;
  }

  std::vector<std::string> unsentAddresses() {
    std::vector<std::string> addresses;
    for (const auto& row : rows(tag)) {
      if (row.find(std::string(kTitle) + "[\\?]") == std::string::npos)
        addresses.push_back(row.substr(0, row.find(',')));
    }
    return addresses;
  }

  // Every recipient has one copy and at most `kills` copies more arrived in all; every
  // subscriber is still there with the title once in its sent list.
  void expectOneCopyEachAndNothingLost(int kills) {
    std::size_t missing = 0, extra = 0;
    for (int i = 0; i < kRecipients; ++i) {
      std::size_t copies = rig.acceptedCount(tag + std::to_string(i));
      if (copies == 0) ++missing;
      if (copies > 1) extra += copies - 1;
    }
    EXPECT_EQ(missing, 0u);
    EXPECT_LE(extra, static_cast<std::size_t>(kills)) << "seed " << seed;
    std::vector<std::string> all = rows(tag);
    for (const auto& row : all) {
      std::size_t first = row.find(std::string(kTitle) + "[\\?]");
      EXPECT_NE(first, std::string::npos) << row;
      if (first != std::string::npos) EXPECT_EQ(row.find(kTitle, first + 1), std::string::npos);
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kRecipients));
  }

  std::string tag;
  unsigned seed = 0;
};

// The sending pass, or a forced send of the operator to those whose sent list does not show the
// newsletter yet.
class KilledFiveTimes : public ManySubscribers, public ::testing::WithParamInterface<bool> {};

TEST_P(KilledFiveTimes, SendsNoMoreThanOneCopyTwicePerKill) {
  const bool forced = GetParam();
  int kills = 0;
  for (std::size_t point : killPoints()) {
    std::vector<std::string> args = {"send"};
    if (forced) {
      args = {"forced-send", "--newsletter", kTitle};
      for (const std::string& address : unsentAddresses()) args.push_back(address);
    }
    kills += runAndKill(args, point) ? 1 : 0;
  }
  CliResult finish = cli({"send"});
  EXPECT_EQ(finish.status, 0) << finish.err << errorLog();
  EXPECT_EQ(kills, kKills);
  expectOneCopyEachAndNothingLost(kills);
  if (forced) return;
  EXPECT_FALSE(std::filesystem::exists(folder / "Send.sent"));  // folded into the file
  // Counted once per journal line: the copy in flight at a kill was never recorded.
  EXPECT_EQ(cli({"get", "3", "totalemailssent"}).out, std::to_string(kRecipients) + "\n");
  EXPECT_EQ(cli({"get", "6", "timessent"}).out, std::to_string(kRecipients) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Sends, KilledFiveTimes, ::testing::Values(false, true),
                         [](const auto& info) {
                           return info.param ? "ForcedSend" : "SendingPass";
                         });

TEST_F(ManySubscribers, TwoSendsAtOnceMailEverySubscriberOnce) {
  struct Case {
    const char* name;
    std::vector<std::string> second;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"refused", {"send"}, 75, "--wait SECONDS waits for it"},
      {"waiting", {"send", "--wait", "120"}, 0, "No new messages sent."},
  };
  std::int64_t total = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    subscribeAll(std::string("w") + c.name);
    const std::size_t before = sentCount();
    const pid_t first = spawnCli({"send"}, folder / "first.err");
    // The first holds the profile once it sends.
    while (sentCount() == before) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    CliResult second = cli(c.second);
    EXPECT_EQ(second.status, c.status) << second.err;
    EXPECT_THAT(second.err, ::testing::HasSubstr(c.says));
    if (c.status != 0) {
      EXPECT_THAT(second.err, ::testing::HasSubstr("Send is open in tidewell-cli send, process " +
                                                   std::to_string(first)));
    }
    int status = 0;
    ASSERT_EQ(waitpid(first, &status, 0), first);
    EXPECT_EQ(WEXITSTATUS(status), 0) << readBytes(folder / "first.err");
    expectOneCopyEachAndNothingLost(0);
    total += kRecipients;
    EXPECT_EQ(cli({"get", "3", "totalemailssent"}).out, std::to_string(total) + "\n");
    EXPECT_EQ(cli({"get", "6", "timessent"}).out, std::to_string(total) + "\n");
  }
}

}  // namespace
}  // namespace tidewell::testing
