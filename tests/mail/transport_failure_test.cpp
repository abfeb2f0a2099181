// Everything that goes wrong on the way to a server must end in a clear failure with a reason,
// quickly, and never in a partial result passed off as complete.
#include <gtest/gtest.h>

#include <chrono>

#include "mail_rig_fixture.h"

namespace tidewell::mail::testing {
namespace {

class TransportFailureTest : public RigTest {};

TEST_F(TransportFailureTest, WrongPasswordGivesTheServersReason) {
  Mailbox box = rig.claimMailbox();
  box.password = "not-the-password";
  NetMailClient client = rig.client();
  client.setPop3(rig.pop(box));
  EXPECT_FALSE(client.fetchUidls());
  EXPECT_NE(client.lastError().find("Authentication failed"), std::string::npos)
      << client.lastError();
}

TEST_F(TransportFailureTest, ClosedPortFailsAtOnce) {
  NetMailClient client = rig.client();
  client.setPop3(rig.pop(rig.claimMailbox(), "CLOSED_PORT"));
  EXPECT_FALSE(client.fetchUidls());
  EXPECT_NE(client.lastError().find("onnect"), std::string::npos) << client.lastError();
  client.setSmtp(rig.smtp("CLOSED_PORT"));
  OutgoingMessage m;
  m.toAddress = "someone@example.net";
  EXPECT_NE(client.send(m), kSendAccepted);
  EXPECT_NE(client.lastError().find("onnect"), std::string::npos) << client.lastError();
}

TEST_F(TransportFailureTest, SilentServerTimesOut) {
  PopSettings settings = rig.pop(rig.claimMailbox(), "POP_SILENT_PORT");
  settings.timeoutSeconds = 1;
  NetMailClient client = rig.client();
  client.setPop3(settings);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.fetchUidls());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(client.lastError().find("imeout"), std::string::npos) << client.lastError();
}

TEST_F(TransportFailureTest, UntrustedCertificateIsRefused) {
  const Mailbox box = rig.claimMailbox();
  PopSettings pop = rig.pop(box, "POP_TLS_PORT");
  pop.ssl = true;
  pop.caFile.clear();
  NetMailClient client = rig.client();
  client.setPop3(pop);
  EXPECT_FALSE(client.fetchUidls());
  EXPECT_NE(client.lastError().find("certificate"), std::string::npos) << client.lastError();

  SmtpSettings smtp = rig.smtp("SMTP_SUBMISSION_PORT");
  smtp.ssl = true;
  smtp.authentication = 1;
  smtp.user = box.user;
  smtp.password = box.password;
  smtp.caFile.clear();
  client.setSmtp(smtp);
  OutgoingMessage m;
  m.toAddress = box.address();
  EXPECT_NE(client.send(m), kSendAccepted);
  EXPECT_NE(client.lastError().find("certificate"), std::string::npos) << client.lastError();
}

TEST_F(TransportFailureTest, DropMidDownloadKeepsWhatArrivedAndSaysIncomplete) {
  NetMailClient client = rig.client();
  client.setPop3(rig.pop({"anyone", "any"}, "POP_DROP_PORT"));
  const auto uidls = client.fetchUidls();
  ASSERT_TRUE(uidls) << client.lastError();
  EXPECT_EQ(*uidls, (std::vector<std::string>{"drop-1", "drop-2"}));
  EXPECT_NE(client.lastError().find("not a listing line"), std::string::npos);

  const FetchResult fetched = client.fetchMessages(*uidls);
  EXPECT_FALSE(fetched.complete);
  ASSERT_EQ(fetched.messages.size(), 1u);
  EXPECT_EQ(fetched.messages[0].uidl, "drop-1");
  EXPECT_EQ(fetched.messages[0].body, "first body\r\n");
  EXPECT_FALSE(client.lastError().empty());
  // The session is gone: nothing may run on a silently re-opened one.
  EXPECT_FALSE(client.deleteMessages({"drop-1"}));
  client.endPop3Session();
}

}  // namespace
}  // namespace tidewell::mail::testing
