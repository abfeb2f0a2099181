// tidewell-cli `check` SIGKILLed ten times at random moments while it takes in 2,000 sign-ups
// (and a report) from the test POP3 server, then run to the end: no sign-up lost or taken in
// twice, no report counted twice, the files load. TIDEWELL_KILL_SEED=N repeats the moments.
// Over the rig's IMAP server: sign-ups captured once, only handled messages marked or moved,
// nothing taken twice after a UIDVALIDITY change or a kill.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "sending_profile.h"
#include "store/text.h"

namespace tidewell::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSignUps = 2000;
constexpr int kLateSignUps = 20;  // arriving before each run, so every run has mail to take in
constexpr int kKills = 10;
constexpr int kAttempts = 2 * kKills;                   // a run may end by itself before its moment
constexpr auto kRoundLimit = std::chrono::seconds(25);  // a run taking longer hangs
constexpr auto kKillingLimit = std::chrono::seconds(60);

// A moment of a kill: `delayMs` after the run printed its status line `line`, or (line 0)
// after the line that says all messages were processed, when it starts writing.
struct Moment {
  int line;
  int delayMs;
  std::string text() const {
    return (line ? "line " + std::to_string(line) : std::string("processed")) + " + " +
           std::to_string(delayMs) + " ms";
  }
};

class CheckKill : public SendingProfile, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
#ifdef TIDEWELL_SLOW_BUILD
    GTEST_SKIP() << "checks 2,000 messages eleven times; run in the plain build";
#endif
    RigTest::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
    ASSERT_EQ(cli({"delete-node", "6"}).status, 0);  // the cycle only takes mail in
    ASSERT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|join"}).status, 0);
    set(2, "delete", GetParam());
    tag = "c" + std::to_string(std::random_device()() % 100000) + "n";
    set(4, "deactivate", "true");
    std::vector<std::string> onTheList;
    for (int i = 0; i < kAttempts; ++i) onTheList.push_back(held(i));
    writeSubscribers(onTheList);
    deliver(kSignUps);
    const char* given = std::getenv("TIDEWELL_KILL_SEED");
    seed = given ? static_cast<unsigned>(std::stoul(given)) : std::random_device()();
    RecordProperty("seed", std::to_string(seed));
  }

  std::string address(int i) const {
    return tag + std::to_string(i) + "@example.org";
  }

  std::string held(int i) const {
    return tag + "h" + std::to_string(i) + "@example.org";
  }

  // Sign-ups of the next `count` addresses.
  void deliver(int count) {
    for (const int end = delivered + count; delivered < end; ++delivered) {
      const std::string i = std::to_string(delivered);
      rig.deliver(list, "From: Reader " + i + " <" + address(delivered) + ">\r\nTo: " +
                            list.address() + "\r\nSubject: please join\r\nMessage-ID: <" + tag + i +
                            "@example.org>\r\n\r\nSign me up.\r\n");
    }
  }

  // A round's run: killed (after `last`, the status line it printed last) or ended by itself
  // after printing `lines` lines.
  struct Round {
    bool killed = false;
    int lines = 0;
    std::string last;
  };

  // Runs `check` and kills it at the moment.
  Round runAndKill(Moment moment) {
    int pipeFds[2];
    EXPECT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    const pid_t pid = spawnCli({"check"}, {}, pipeFds[1]);
    ::close(pipeFds[1]);
    const bool spawned = pid > 0;
    Round round;
    bool ended = !spawned, reached = false, processing = false;
    const auto deadline = Clock::now() + kRoundLimit;
    std::string line;
    while (!ended && !reached && Clock::now() < deadline) {
      pollfd p{pipeFds[0], POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
      ended = n <= 0;
      for (ssize_t i = 0; i < n && !reached; ++i) {
        if (buffer[i] != '\n') {
          line += buffer[i];
          continue;
        }
        ++round.lines;
        round.last = std::exchange(line, {});
        reached = moment.line ? round.lines == moment.line : processing && round.last == "100%";
        processing = processing || round.last == "New messages Downloaded. Processing...";
      }
    }
    EXPECT_LT(Clock::now(), deadline) << "the round did not end in time";
    std::this_thread::sleep_for(std::chrono::milliseconds(moment.delayMs));
    int status = 0;
    round.killed = spawned && waitpid(pid, &status, WNOHANG) == 0;
    if (round.killed) ::kill(pid, SIGKILL);
    if (spawned) waitpid(pid, &status, 0);
    ::close(pipeFds[0]);
    return round;
  }

  // The profile and the subscriber file load with the real readers and nothing had to be kept as
  // damaged; how often each address is on the list.
  std::map<std::string, int> loadSubscribers() {
    CliResult tree = cli({"tree"});
    EXPECT_EQ(tree.status, 0) << tree.err;
    CliResult table = cli({"subscribers"});
    EXPECT_EQ(table.status, 0) << table.err;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      EXPECT_EQ(entry.path().string().find(".damaged"), std::string::npos) << entry.path();
    }
    std::map<std::string, int> captured;
    for (const auto& row : store::splitLines(table.out)) {
      if (row.rfind(tag, 0) == 0) ++captured[row.substr(0, row.find(','))];
    }
    return captured;
  }

  // Whatever the moment of the last kill: the files load, no sign-up is there twice, each is
  // either captured or still on the server, and each message the seen store names that is still
  // there was captured. Once finished: every sign-up captured and no message left to take in.
  void expectConsistent(bool finished) {
    std::map<std::string, int> captured = loadSubscribers();
    std::map<std::string, std::string> onServer;  // UIDL -> sender
    std::set<std::string> waiting;
    for (const auto& m : readMailbox(list)) {
      onServer[m.uidl] = m.senderAddress;
      waiting.insert(m.senderAddress);
    }
    const std::vector<std::string> seen = readLines(folder / "Send.uidls");  // none when missing
    for (const auto& uidl : seen) {
      auto message = onServer.find(uidl);
      if (message != onServer.end() && message->second.rfind(tag, 0) == 0) {
        EXPECT_EQ(captured.count(message->second), 1u) << "seen, not captured: " << uidl;
      }
    }
    int lost = 0, twice = 0;
    for (int i = 0; i < delivered; ++i) {
      const int n = captured.count(address(i)) ? captured[address(i)] : 0;
      lost += n == 0 && (finished || !waiting.count(address(i)));
      twice += n > 1;
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(twice, 0);
    // A report counts once at most, however often its message was read.
    for (const auto& line : store::splitLines(readBytes(folder / "Send.bounces"))) {
      auto fields = store::split(line, "\t");
      EXPECT_TRUE(fields.size() > 1 && fields[1] == "1") << line;
    }
    if (!finished) return;
    const std::set<std::string> seenSet(seen.begin(), seen.end());
    for (const auto& [uidl, sender] : onServer) EXPECT_EQ(seenSet.count(uidl), 1u) << sender;
    EXPECT_EQ(onServer.size(),
              std::string(GetParam()) == "true" ? 0u : std::size_t(delivered + reports))
        << "messages kept on the server";
  }

  std::string tag;
  int delivered = 0;
  unsigned seed = 0;
};

TEST_P(CheckKill, KilledTenTimesTakesEverySignUpInOnceAndKeepsTheFilesLoadable) {
  // A slow machine gets fewer kills, not a failure; the test ends in time either way.
  const auto stopKilling = Clock::now() + kKillingLimit;
  std::mt19937 random(seed);
  // Anywhere up to "Ready", which ends the cycle's own work, or once the writing starts.
  std::uniform_int_distribution<int> line(1, 26), delay(0, 200);
  std::bernoulli_distribution whenWriting(0.5);
  int kills = 0;
  for (int attempt = 0; kills < kKills && attempt < kAttempts && Clock::now() < stopKilling;
       ++attempt) {
    deliver(kLateSignUps);
    rig.deliver(list, report(held(reports), "4.2.2"));  // mailbox full, of one on the list
    Moment moment{whenWriting(random) ? 0 : line(random), delay(random)};
    Round round = runAndKill(moment);
    // A run with less to do is shorter: the next moment falls within it.
    if (!round.killed) {
      line = std::uniform_int_distribution<int>(1, std::max(round.lines, 1));
      delay = std::uniform_int_distribution<int>(0, moment.delayMs / 2);
    }
    kills += round.killed ? 1 : 0;
    SCOPED_TRACE("seed " + std::to_string(seed) + ", " + moment.text());
    expectConsistent(false);
  }
  if (Clock::now() < stopKilling) {
    EXPECT_EQ(kills, kKills) << "the runs ended before the moments";
  }
  CliResult finish = cli({"check"});
  EXPECT_EQ(finish.status, 0) << finish.err << errorLog();
  SCOPED_TRACE("seed " + std::to_string(seed) + ", at the end");
  expectConsistent(true);
}

INSTANTIATE_TEST_SUITE_P(DeleteAfterChecking, CheckKill, ::testing::Values("true", "false"));

namespace fs = std::filesystem;

// Where a message is ("" the folder read, else the maildir folder) and its maildir flag letters
// (S seen, F flagged, R answered; "a" the first keyword, the handled mark).
struct Place {
  std::string folder;
  std::string flags;
  bool operator==(const Place&) const = default;
  friend void PrintTo(const Place& p, std::ostream* os) { *os << p.folder << ":" << p.flags; }
};

class ImapCheck : public SendingProfile {
 protected:
  void SetUp() override {
    RigTest::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
    ASSERT_EQ(cli({"delete-node", "6"}).status, 0);  // the check only takes mail in
    ASSERT_EQ(cli({"set-rules", "Filter_1", "Subject|Has|join"}).status, 0);
    set(2, "incoming", "imap");
    set(2, "ImapPort", std::to_string(rig.port("IMAP_PLAIN_PORT")));
  }

  // Flags given: already seen by a client.
  void put(const std::string& subject, const std::string& from, const std::string& flags = "") {
    rig.deliver(list,
                "From: <" + from + ">\r\nTo: " + list.address() + "\r\nSubject: " + subject +
                    "\r\n\r\nHello.\r\n",
                flags);
  }

  void putSignUps(int count) {
    for (int i = 0; i < count; ++i) put("please join " + std::to_string(i), address(i));
  }
  std::string address(int i) const { return "s" + std::to_string(i) + "@example.org"; }

  // The operator's own mail: unread, read, flagged, answered.
  void putOwnMail() {
    for (const char* flags : {"", "S", "FS", "RS"})
      put(std::string("own ") + flags, "me@example.org", flags);
  }

  // Subject -> place, from the server's maildir (the folder read in new/ and cur/, others in
  // .NAME/new and .NAME/cur).
  std::map<std::string, Place> mailbox() const {
    std::map<std::string, Place> found;
    for (const auto& file : fs::recursive_directory_iterator(rig.maildir(list))) {
      const fs::path sub = file.path().parent_path();
      if (!file.is_regular_file() || (sub.filename() != "new" && sub.filename() != "cur")) continue;
      const fs::path folder = sub.parent_path();
      const std::string text = readBytes(file.path()), name = file.path().filename().string();
      const auto at = text.find("Subject: ") + 9;
      const auto info = name.find(":2,");
      std::string flags = info == std::string::npos ? "" : name.substr(info + 3);
      std::sort(flags.begin(), flags.end());
      found[text.substr(at, text.find_first_of("\r\n", at) - at)] = {
          folder == rig.maildir(list) ? "" : folder.filename().string().substr(1), flags};
    }
    return found;
  }

  // How often each sign-up address is on the list.
  std::map<std::string, int> captured() {
    std::map<std::string, int> count;
    for (const std::string& row : rows("s")) ++count[row.substr(0, row.find(','))];
    return count;
  }

  void expectEachOnce(int signUps) {
    const auto count = captured();
    EXPECT_EQ(count.size(), static_cast<std::size_t>(signUps));
    for (const auto& [address, times] : count) EXPECT_EQ(times, 1) << address;
  }

  void expectOwnMailAsItWas() {
    const auto box = mailbox();
    for (const char* flags : {"", "S", "FS", "RS"}) {
      const auto found = box.find(std::string("own ") + flags);
      ASSERT_NE(found, box.end()) << flags;
      EXPECT_EQ(found->second, (Place{"", flags}));
    }
  }

  void check() {
    const CliResult result = cli({"check"});
    ASSERT_EQ(result.status, 0) << result.err << errorLog();
  }
};

struct Mode {
  const char* name;
  const char* done;
  const char* del;
  Place handled;
};

class ImapModes : public ImapCheck, public ::testing::WithParamInterface<Mode> {};

TEST_P(ImapModes, OnlyHandledMessagesAreMarkedOrMovedAndNothingIsTakenTwice) {
  set(2, "imapdone", GetParam().done);
  set(2, "delete", GetParam().del);
  putOwnMail();
  putSignUps(3);
  check();
  check();
  expectEachOnce(3);
  expectOwnMailAsItWas();
  const auto box = mailbox();
  for (int i = 0; i < 3; ++i) {
    const auto found = box.find("please join " + std::to_string(i));
    ASSERT_NE(found, box.end()) << i << " " << ::testing::PrintToString(box);
    EXPECT_EQ(found->second, GetParam().handled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    DoneKeywordOrFolder, ImapModes,
    ::testing::Values(Mode{"Keyword", "$TidewellDone", "false", {"", "a"}},
                      Mode{"KeywordAndDelete", "$TidewellDone", "true", {"TidewellDone", "a"}},
                      Mode{"Folder", "Done", "false", {"Done", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImapCheck, AChangedUidValidityCapturesNothingTwice) {
  putOwnMail();
  putSignUps(2);
  check();
  // A rebuilt index numbers the folder anew under another UIDVALIDITY (taken from the clock).
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  for (const auto& file : fs::directory_iterator(rig.maildir(list))) {
    if (file.path().filename().string().rfind("dovecot.index", 0) == 0 ||
        file.path().filename() == "dovecot-uidlist")
      fs::remove(file.path());
  }
  put("please join late", address(2));
  check();
  expectEachOnce(3);
  expectOwnMailAsItWas();
  EXPECT_EQ(mailbox().at("please join late"), (Place{"", "a"}));
}

TEST_F(ImapCheck, ChecksKilledAtAnyMomentLoseNothingAndCaptureNothingTwice) {
  constexpr int kSignUps = 400;
  putOwnMail();
  putSignUps(kSignUps);
  for (int delayMs : {60, 150, 300, 500, 800, 1200}) {
    const pid_t pid = spawnCli({"check"});
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    for (const auto& [address, times] : captured())
      EXPECT_EQ(times, 1) << address << " " << delayMs;
  }
  check();
  expectEachOnce(kSignUps);
  expectOwnMailAsItWas();
  for (const auto& [subject, place] : mailbox()) {
    if (subject.rfind("please join", 0) == 0) {
      EXPECT_EQ(place, (Place{"", "a"})) << subject;
    }
  }
}

}  // namespace
}  // namespace tidewell::testing
