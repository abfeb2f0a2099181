#include "sending_profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <unistd.h>

#include "store/text.h"

extern char** environ;

namespace tidewell::testing {

void SendingProfile::makeProfile(const std::string& smtpPortKey, const std::string& sender) {
  list = rig.claimMailbox();
  ASSERT_EQ(
      cli({"new-profile", "--title", "Send", "--email", sender.empty() ? list.address() : sender,
           "--reply", list.address(), "--pop3", "127.0.0.1", "--smtp", "127.0.0.1", "--account",
           list.user, "--password", list.password})
          .status,
      0);
  set(2, "SMTPPort", std::to_string(rig.port(smtpPortKey)));
  set(2, "PopPort", std::to_string(rig.port("POP_PLAIN_PORT")));
  set(2, "server_timeout", "10");
  ASSERT_EQ(cli({"new-filter"}).status, 0);
  ASSERT_EQ(cli({"new-newsletter"}).status, 0);
  writeBytes(folder / "news.txt", "Hello ~name~");
  set(6, "location", (folder / "news.txt").string());
  set(6, "days", "All");
  set(6, "rule", "Filter_1");
}

void SendingProfile::writeSubscribers(const std::vector<std::string>& addresses) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    std::string name = "R" + std::to_string(i);
    std::string pmf = "email[/\\]" + addresses[i] + "[\\/]name[/\\]" + name + "[\\/]";
    for (int f = 2; f < 41; ++f) pmf += "_[/\\][\\/]";
    lines.insert(lines.end(),
                 {addresses[i], name, "12/5/2026", "none", "true", "Filter_1", pmf, ""});
  }
  writeBytes(folder / "Send.txt", crlf(lines));
}

pid_t SendingProfile::spawnCli(const std::vector<std::string>& args,
                               const std::filesystem::path& errFile, int errFd) {
  std::vector<std::string> words = {TIDEWELL_CLI, "--folder", folder.path().string(), "--ca-file",
                                    rig.caFile()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (errFd < 0) {
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  } else {
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  }
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0);
  return spawned == 0 ? pid : -1;
}

std::vector<std::string> SendingProfile::rows(const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& row : store::splitLines(cli({"subscribers"}).out)) {
    if (row.rfind(prefix, 0) == 0) found.push_back(row);
  }
  return found;
}

std::string SendingProfile::report(const std::string& recipient, const std::string& status,
                                   const std::string& words, const std::string& action) {
  return "From: Mail Delivery System <MAILER-DAEMON@relay.example.org>\r\nTo: " + list.address() +
         "\r\nSubject: Delivery Status Notification\r\nMessage-ID: <" + std::to_string(++reports) +
         "." + list.user +
         ".r@relay.example.org>\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/report; report-type=delivery-status; boundary=\"B\"\r\n\r\n"
         "--B\r\nContent-Type: text/plain\r\n\r\n" +
         words +
         "\r\n--B\r\nContent-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; "
         "relay.example.org\r\n\r\nFinal-Recipient: rfc822; " +
         recipient + "\r\nAction: " + action + "\r\nStatus: " + status + "\r\n--B--\r\n";
}

}  // namespace tidewell::testing
