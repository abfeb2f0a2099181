// Sending passes against the test servers: the preview is what the pass sends and a test send
// changes nothing; a provider's replies (try later, refused for good, a sending limit) with one
// or several connections; dead addresses behind a relay whose reports arrive on later days.
// Sending to 2,000 subscribers SIGKILLed five times and then finished: at most the copy in flight
// at each kill arrives twice, nothing is lost. Two sends at once: the second is refused, naming
// the first, or waits for it with --wait.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <regex>
#include <thread>

#include "sending_profile.h"
#include "store/text.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class Preview : public SendingProfile {
 protected:
  void SetUp() override {
    makeProfile("SMTP_PLAIN_PORT");
    writeBytes(folder / "news.html",
               "<html><body><p>Hello ~name~</p>"
               "<img src=\"https://example.org/x.png\"></body></html>");
    writeBytes(folder / "terms.pdf", std::string(3000, 'x'));
    set(6, "location", (folder / "news.html").string());
    set(6, "attach", (folder / "terms.pdf").string());
    set(6, "subject", "For ~name~");
    writeSubscribers({reader + "@example.net"});
  }

  // The one message the rig stored for the local part.
  std::string delivered(const std::string& local) {
    std::filesystem::path box = std::filesystem::path(rig.dir()) / "mail" / local / "Maildir/new";
    for (const auto& entry : std::filesystem::directory_iterator(box))
      return readBytes(entry.path());
    return {};
  }

  // Every file of the folder but the program's own, with its bytes.
  std::map<std::string, std::string> profileFiles() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      std::string name = entry.path().filename().string();
      if (name != "errlog.txt" && name != "tidewell.ini") files[name] = readBytes(entry.path());
    }
    return files;
  }

  const std::string reader = "reader-p" + std::to_string(std::random_device()() % 100000);
};

// Line ends as the rig stores them; the date, the message's identity and the MIME boundaries
// drawn from it are made per message.
std::string comparable(std::string text) {
  text = store::replaceAll(text, "\r\n", "\n");
  text = std::regex_replace(text, std::regex("(^|\n)Date: [^\n]*"), "$1Date: -");
  text = std::regex_replace(text, std::regex("(^|\n)Message-Id: [^\n]*", std::regex::icase),
                            "$1Message-Id: -");
  return std::regex_replace(text, std::regex("=_[0-9a-f]{32}"), "=_-");
}

TEST_F(Preview, IsWhatTheSendingPassSendsByteForByte) {
  CliResult preview = cli({"preview", "--newsletter", kTitle, reader + "@example.net"});
  ASSERT_EQ(preview.status, 0) << preview.err;
  EXPECT_THAT(preview.out, HasSubstr("Subject: For R0"));
  EXPECT_THAT(preview.out, HasSubstr("filename=terms.pdf"));
  ASSERT_EQ(cli({"send"}).status, 0) << errorLog();
  EXPECT_EQ(comparable(delivered(reader)), comparable(preview.out));
}

TEST_F(Preview, TestSendArrivesAndChangesNoFileOfTheProfile) {
  const std::string me = reader + "-me";
  auto before = profileFiles();
  CliResult result = cli({"test-send", "--newsletter", kTitle, "--to", me + "@example.net"});
  ASSERT_EQ(result.status, 0) << result.err << errorLog();
  EXPECT_THAT(result.err, HasSubstr("as " + reader + "@example.net"));
  EXPECT_EQ(rig.acceptedCount(me), 1u);
  EXPECT_EQ(rig.acceptedCount(reader), 0u);
  EXPECT_THAT(delivered(me), HasSubstr("Subject: For R0"));
  EXPECT_THAT(delivered(me), Not(HasSubstr("List-Unsubscribe-Post")));
  EXPECT_EQ(profileFiles(), before);
  // Unknown newsletters and addresses are refused.
  EXPECT_EQ(cli({"test-send", "--newsletter", "Nope"}).status, 1);
  EXPECT_EQ(cli({"preview", "--newsletter", kTitle, "nobody@example.net"}).status, 1);
}

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
      // The real replies reach the pass: the unknown address is switched off, the one asked to
      // try later waits (the retries are the engine's: sending_pass_test.cpp).
      auto rowOf = [&](int i) { return rows(store::split(addresses[i], "@")[0] + "@").at(0); };
      EXPECT_THAT(rowOf(3), HasSubstr(",false,"));
      EXPECT_THAT(rowOf(11), HasSubstr(",true,"));
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

class BounceStrikes : public SendingProfile {
 protected:
  void SetUp() override {
    SendingProfile::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
    writeSubscribers({"gone@example.org", "kept@example.org"});
  }
  std::string outOfOffice(const std::string& from) {
    return "From: " + from + "\r\nTo: " + list.address() +
           "\r\nSubject: Out of Office: news\r\nAuto-Submitted: auto-replied\r\n\r\nBack soon.\r\n";
  }
  // One day: a forced send the relay accepts, the reports of the day, a check cycle.
  void day(const std::string& date, const std::vector<std::string>& reports) {
    SCOPED_TRACE(date);
    CliResult sent = cli({"--today", date, "forced-send", "--newsletter", kTitle,
                          "gone@example.org", "kept@example.org"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    for (const auto& raw : reports) rig.deliver(list, raw);
    CliResult checked = cli({"--today", date, "check"});
    ASSERT_EQ(checked.status, 0) << checked.err;
  }
  std::string strikes() { return cli({"strikes"}).out; }
};

// The counting itself (days, delays, the 30-day window) is check_cycle_test.cpp's Bounces.
TEST_F(BounceStrikes, ADeadAddressGoesOnTheThirdDayAndNoBlockOrAutoReplyCounts) {
  const std::string policy = "Message rejected: sender reputation";
  day("2026-12-01", {report("gone@example.org", "4.2.2", "Mailbox full"),
                     report("kept@example.org", "5.7.1", policy)});
  day("2026-12-04",
      {report("gone@example.org", "5.0.0", "Not delivered"), outOfOffice("kept@example.org")});
  EXPECT_EQ(strikes(),
            "address\tstrikes\tdays\tfirst\tlast\n"
            "gone@example.org\t2\t2\t12/1/2026\t12/4/2026\n");
  day("2026-12-09", {report("gone@example.org", "4.2.2", "Mailbox full"),
                     report("kept@example.org", "4.4.7", "Still trying", "delayed")});
  EXPECT_THAT(rows("gone"), ::testing::ElementsAre(HasSubstr(",false,")));
  EXPECT_THAT(rows("kept"), ::testing::ElementsAre(HasSubstr(",true,")));
  EXPECT_THAT(readBytes(folder / "deactivated.log"),
              HasSubstr("gone@example.org\tFilter_1\tbounce: failures on three different days"));
}

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
      if (first != std::string::npos) {
        EXPECT_EQ(row.find(kTitle, first + 1), std::string::npos);
      }
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
