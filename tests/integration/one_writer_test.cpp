// Two tidewell-cli sends started at once on one profile of 2,000 subscribers, against the test
// SMTP server: the second is refused at once, naming the first, or waits for it with --wait and
// then finds nothing left to send. Either way every subscriber receives exactly one copy, and
// the counters count each send once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <random>
#include <thread>

#include "sending_profile.h"
#include "store/text.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

constexpr int kRecipients = 2000;

class OneWriter : public SendingProfile {
 protected:
  void SetUp() override {
#ifdef TIDEWELL_SLOW_BUILD
    GTEST_SKIP() << "sends 2,000 messages twice; run in the plain build";
#endif
    RigTest::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
  }

  std::size_t sentCount() const {
    return store::splitLines(readBytes(folder / "activity.log")).size();
  }
};

TEST_F(OneWriter, TwoSendsAtOnceMailEverySubscriberOnce) {
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
    const std::string tag = "w" + std::to_string(std::random_device()() % 100000) + c.name;
    std::vector<std::string> addresses;
    for (int i = 0; i < kRecipients; ++i)
      addresses.push_back(tag + std::to_string(i) + "@example.net");
    writeSubscribers(addresses);
    const std::size_t before = sentCount();
    const pid_t first = startCli({"send"}, folder / "first.err");
    // The first holds the profile once it sends.
    while (sentCount() == before) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    CliResult second = cli(c.second);
    EXPECT_EQ(second.status, c.status) << second.err;
    EXPECT_THAT(second.err, HasSubstr(c.says));
    if (c.status != 0) {
      EXPECT_THAT(second.err,
                  HasSubstr("Send is open in tidewell-cli send, process " + std::to_string(first)));
    }
    int status = 0;
    ASSERT_EQ(waitpid(first, &status, 0), first);
    EXPECT_EQ(WEXITSTATUS(status), 0) << readBytes(folder / "first.err");
    std::size_t wrong = 0;
    for (int i = 0; i < kRecipients; ++i)
      wrong += rig.acceptedCount(tag + std::to_string(i)) == 1 ? 0 : 1;
    EXPECT_EQ(wrong, 0u);
    total += kRecipients;
    EXPECT_EQ(cli({"get", "3", "totalemailssent"}).out, std::to_string(total) + "\n");
    EXPECT_EQ(cli({"get", "6", "timessent"}).out, std::to_string(total) + "\n");
  }
}

}  // namespace
}  // namespace tidewell::testing
