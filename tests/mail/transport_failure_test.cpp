// Everything that goes wrong on the way to a server must end in a clear failure with a reason,
// quickly, and never in a partial result passed off as complete.
#include <gtest/gtest.h>

#include "engine/login_failure.h"
#include "mail/certificate_trust.h"
#include "mail_rig_fixture.h"

namespace tidewell::mail::testing {
namespace {

class TransportFailureTest : public RigTest {};

TEST_F(TransportFailureTest, Pop3LogInFailuresGiveTheReasonQuickly) {
  struct Case {
    const char* what;
    const char* portKey;
    const char* reason;
  };
  for (const Case& c : {Case{"wrong password", "POP_PLAIN_PORT", "Authentication failed"},
                        Case{"closed port", "CLOSED_PORT", "onnect"},
                        Case{"silent server", "POP_SILENT_PORT", "imeout"},
                        Case{"untrusted certificate", "POP_TLS_PORT", "certificate"}}) {
    SCOPED_TRACE(c.what);
    Mailbox box = rig.claimMailbox();
    if (c.what == std::string("wrong password")) box.password = "not-the-password";
    PopSettings settings = rig.pop(box, c.portKey);
    if (c.portKey == std::string("POP_SILENT_PORT")) settings.timeoutSeconds = 1;
    settings.ssl = c.portKey == std::string("POP_TLS_PORT");
    if (settings.ssl) settings.caFile.clear();
    NetMailClient client = rig.client();
    client.setPop3(settings);
    // A time-out that did not apply would hang here until the test's own time limit.
    EXPECT_FALSE(client.fetchUidls());
    EXPECT_NE(client.lastError().find(c.reason), std::string::npos) << client.lastError();
  }
}

TEST_F(TransportFailureTest, SmtpRefusedLogInsAndUnreachableServersGiveTheReason) {
  const Mailbox box = rig.claimMailbox();
  SmtpSettings login = rig.smtp("SMTP_SUBMISSION_PORT");
  login.ssl = true;
  login.authentication = 1;
  login.user = box.user;
  login.password = box.password;
  SmtpSettings untrusted = login, wrongPassword = login, noLogIn = login;
  untrusted.caFile.clear();
  wrongPassword.authentication = 2;
  wrongPassword.password = "wrong";
  // The submission port wants a log-in: sending without one is refused, not silently dropped.
  noLogIn.authentication = 0;
  OutgoingMessage m;
  m.toAddress = box.address();
  for (const auto& [settings, reason] :
       {std::pair{rig.smtp("CLOSED_PORT"), "onnect"}, std::pair{untrusted, "certificate"},
        std::pair{wrongPassword, "535"}, std::pair{noLogIn, "530"}}) {
    SCOPED_TRACE(reason);
    NetMailClient client = rig.client();
    client.setSmtp(settings);
    EXPECT_NE(client.send(m), kSendAccepted);
    EXPECT_NE(client.lastError().find(reason), std::string::npos) << client.lastError();
  }
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

TEST_F(TransportFailureTest, MessageShorterThanItsListedSizeCountsAsCutShort) {
  NetMailClient client = rig.client();
  client.setPop3(rig.pop({"anyone", "any"}, "POP_SHORT_PORT"));
  const auto uidls = client.fetchUidls();
  ASSERT_TRUE(uidls) << client.lastError();
  const FetchResult fetched = client.fetchMessages(*uidls);
  EXPECT_FALSE(fetched.complete);
  EXPECT_TRUE(fetched.messages.empty());
  EXPECT_NE(client.lastError().find("cut short"), std::string::npos) << client.lastError();
  client.endPop3Session();
}

// Trusting a self-signed server once: refused and its certificate shown until its fingerprint is
// pinned, then accepted; a changed certificate in front of the same mailboxes is refused.
TEST_F(TransportFailureTest, ACertificateTrustedOnceThenAChangedOneIsRefused) {
  const Mailbox box = rig.claimMailbox();
  std::string error;
  auto presented = fetchServerCertificate(MailProtocol::kPop3, "127.0.0.1",
                                          rig.port("POP_TLS_PORT"), true, 10, "", error);
  ASSERT_TRUE(presented) << error;
  EXPECT_EQ(presented->subject, "CN=localhost");
  EXPECT_EQ(presented->issuer, "CN=localhost");
  EXPECT_FALSE(presented->notAfter.empty());
  EXPECT_EQ(presented->problem, "self-signed certificate");
  // STARTTLS on the SMTP server (the same certificate) is read the same way.
  auto smtp = fetchServerCertificate(MailProtocol::kSmtp, "127.0.0.1",
                                     rig.port("SMTP_SUBMISSION_PORT"), false, 10, "", error);
  ASSERT_TRUE(smtp) << error;
  EXPECT_EQ(smtp->sha256, presented->sha256);

  struct Case {
    const char* port;
    std::string pin;
    bool logsIn;
  };
  for (const Case& c :
       {Case{"POP_TLS_PORT", "", false}, Case{"POP_TLS_PORT", presented->sha256, true},
        Case{"POP_OTHER_CERT_PORT", presented->sha256, false}}) {
    SCOPED_TRACE(std::string(c.port) + (c.pin.empty() ? " not trusted" : " trusted"));
    PopSettings settings = rig.pop(box, c.port);
    settings.ssl = true;
    settings.caFile.clear();  // the system's store, which knows nothing of the test servers
    settings.pinnedCertificate = c.pin;
    NetMailClient client(ImplicitTlsPorts{rig.port(c.port), 0});
    client.setPop3(settings);
    EXPECT_EQ(client.fetchUidls().has_value(), c.logsIn) << client.lastError();
    if (!c.logsIn) {
      EXPECT_EQ(engine::loginFailureOf(client.lastError()),
                engine::LoginFailure::kUntrustedCertificate)
          << client.lastError();
    }
    client.endPop3Session();
  }
}

}  // namespace
}  // namespace tidewell::mail::testing
