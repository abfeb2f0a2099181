#pragma once
// A list profile "Send" driven through tidewell-cli against the rig's servers: one filter, one
// days-"All" plain-text newsletter, and subscribers written straight into its file.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "mail_rig_fixture.h"
#include "support/test_support.h"

namespace tidewell::testing {

class SendingProfile : public mail::testing::RigTest {
 protected:
  static constexpr const char* kTitle = "New Newsletter #1";

  // The profile sending from `sender` (a claimed mailbox's address when empty) to smtpPortKey.
  void makeProfile(const std::string& smtpPortKey, const std::string& sender = "");
  // Active subscribers of the filter with these addresses, in this order.
  void writeSubscribers(const std::vector<std::string>& addresses);

  // tidewell-cli on the profile, trusting the rig's certificates.
  CliResult cli(std::vector<std::string> args,
                const std::optional<std::string>& input = std::nullopt) {
    args.insert(args.begin(), {"--ca-file", rig.caFile()});
    return runCli(folder.path(), args, input);
  }
  // The same, started without waiting: standard output to /dev/null, standard error to errFile
  // or, when errFd >= 0, to that descriptor. The process id, or -1.
  pid_t spawnCli(const std::vector<std::string>& args,
                 const std::filesystem::path& errFile = "/dev/null", int errFd = -1);
  void set(int index, const std::string& key, const std::string& value) {
    ASSERT_EQ(cli({"set", std::to_string(index), key, value}).status, 0);
  }
  void addSubscriber(const std::string& email, const std::string& name) {
    ASSERT_EQ(
        cli({"add-subscriber", "--email", email, "--name", name, "--filter", "Filter_1"}).status,
        0);
  }
  // The `subscribers` rows (without the header) of the addresses starting with prefix.
  std::vector<std::string> rows(const std::string& prefix);
  std::string errorLog() const { return readBytes(folder / "errlog.txt"); }
  // A delivery report to the list about the recipient, as a mail server sends it.
  std::string report(const std::string& recipient, const std::string& status,
                     const std::string& words = "Your message could not be delivered.",
                     const std::string& action = "failed");

  TempFolder folder;
  mail::testing::Mailbox list;
  int reports = 0;
};

}  // namespace tidewell::testing
