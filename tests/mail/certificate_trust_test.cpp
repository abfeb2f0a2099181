// Trusting a server's certificate once, as the operator does for a self-signed server: until
// then it is refused and its certificate can be fetched and shown; once its fingerprint is
// pinned it is accepted, and a changed certificate in front of the same mailboxes is refused.
#include <gtest/gtest.h>

#include "engine/login_failure.h"
#include "mail/certificate_trust.h"
#include "mail_rig_fixture.h"

namespace tidewell::mail::testing {
namespace {

class CertificateTrustTest : public RigTest {};

TEST_F(CertificateTrustTest, TrustedOnceThenAChangedCertificateIsRefused) {
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
