// tidewell-cli `check` over the rig's IMAP server: sign-ups captured once, only handled messages
// marked or moved, nothing taken twice after a UIDVALIDITY change or a kill.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "sending_profile.h"
#include "store/text.h"

namespace tidewell::testing {
namespace {

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

  fs::path maildir() const { return rig.maildir(list); }

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
    for (const auto& file : fs::recursive_directory_iterator(maildir())) {
      const fs::path sub = file.path().parent_path();
      if (!file.is_regular_file() || (sub.filename() != "new" && sub.filename() != "cur")) continue;
      const fs::path folder = sub.parent_path();
      const std::string text = readBytes(file.path()), name = file.path().filename().string();
      const auto at = text.find("Subject: ") + 9;
      const auto info = name.find(":2,");
      std::string flags = info == std::string::npos ? "" : name.substr(info + 3);
      std::sort(flags.begin(), flags.end());
      found[text.substr(at, text.find_first_of("\r\n", at) - at)] = {
          folder == maildir() ? "" : folder.filename().string().substr(1), flags};
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
  for (const auto& file : fs::directory_iterator(maildir())) {
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
