// Dead addresses behind a relay, against the test servers: the relay accepts every newsletter
// and the failure reports arrive later in the list's mailbox, on days set with --today.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sending_profile.h"
#include "store/text.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

class BounceStrikes : public SendingProfile {
 protected:
  void SetUp() override {
    SendingProfile::SetUp();
    makeProfile("SMTP_PLAIN_PORT");
    writeSubscribers({"gone@example.org", "late@example.org", "kept@example.org"});
  }
  // A standard report about the recipient, as the relay's server would send it.
  std::string report(const std::string& recipient, const std::string& action,
                     const std::string& status, const std::string& words) {
    return "From: Mail Delivery System <MAILER-DAEMON@relay.example.org>\r\nTo: " + list.address() +
           "\r\nSubject: Delivery Status Notification\r\nMessage-ID: <" +
           std::to_string(++m_reports) +
           ".r@relay.example.org>\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/report; report-type=delivery-status; boundary=\"B\"\r\n\r\n"
           "--B\r\nContent-Type: text/plain\r\n\r\n" +
           words +
           "\r\n--B\r\nContent-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; "
           "relay.example.org\r\n\r\nFinal-Recipient: rfc822; " +
           recipient + "\r\nAction: " + action + "\r\nStatus: " + status + "\r\n--B--\r\n";
  }
  std::string outOfOffice(const std::string& from) {
    return "From: " + from + "\r\nTo: " + list.address() +
           "\r\nSubject: Out of Office: news\r\nAuto-Submitted: auto-replied\r\n\r\nBack soon.\r\n";
  }
  // One day: a forced send the relay accepts, the reports of the day, a check cycle.
  void day(const std::string& date, const std::vector<std::string>& reports) {
    SCOPED_TRACE(date);
    CliResult sent = cli({"--today", date, "forced-send", "--newsletter", kTitle,
                          "gone@example.org", "late@example.org", "kept@example.org"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    for (const auto& raw : reports) rig.deliver(list, raw);
    CliResult checked = cli({"--today", date, "check"});
    ASSERT_EQ(checked.status, 0) << checked.err;
  }
  std::string strikes() { return cli({"strikes"}).out; }
  int m_reports = 0;
};

TEST_F(BounceStrikes, ADeadAddressGoesOnTheThirdDayAndNoBlockOrAutoReplyCounts) {
  const std::string policy = "Message rejected: sender reputation";
  day("2026-12-01", {report("gone@example.org", "failed", "4.2.2", "Mailbox full"),
                     report("late@example.org", "failed", "4.4.7", "Retry time exceeded"),
                     report("kept@example.org", "failed", "5.7.1", policy)});
  day("2026-12-04", {report("gone@example.org", "failed", "5.0.0", "Not delivered"),
                     outOfOffice("kept@example.org")});
  EXPECT_EQ(strikes(),
            "address\tstrikes\tdays\tfirst\tlast\n"
            "gone@example.org\t2\t2\t12/1/2026\t12/4/2026\n"
            "late@example.org\t1\t1\t12/1/2026\t12/1/2026\n");
  day("2026-12-09", {report("gone@example.org", "failed", "4.2.2", "Mailbox full"),
                     report("kept@example.org", "failed", "5.7.1", policy),
                     report("kept@example.org", "delayed", "4.4.7", "Still trying")});
  EXPECT_THAT(rows("gone"), ::testing::ElementsAre(HasSubstr(",false,")));
  EXPECT_THAT(rows("kept"), ::testing::ElementsAre(HasSubstr(",true,")));
  EXPECT_THAT(readBytes(folder / "deactivated.log"),
              HasSubstr("gone@example.org\tFilter_1\tbounce: failures on three different days"));

  // 31 days after late's strike the count starts again.
  day("2027-01-01", {report("late@example.org", "failed", "4.4.7", "Retry time exceeded")});
  EXPECT_EQ(strikes(),
            "address\tstrikes\tdays\tfirst\tlast\n"
            "late@example.org\t1\t1\t1/1/2027\t1/1/2027\n");
  EXPECT_THAT(rows("late"), ::testing::ElementsAre(HasSubstr(",true,")));
}

}  // namespace
}  // namespace tidewell::testing
