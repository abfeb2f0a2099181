#pragma once
// The test mail servers (tests/mail_rig) ctest started, as the tests see them: ports, the CA
// file, mailboxes claimed one per test so tests in parallel processes never share one.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "mail/mail_settings.h"
#include "mail/net_mail_client.h"

namespace tidewell::mail::testing {

struct Mailbox {
  std::string user;
  std::string password;
  std::string address() const { return user + "@example.net"; }
};

class MailRig {
 public:
  static MailRig& instance();

  // Why the rig is not running; empty when it is.
  const std::string& failure() const { return m_failure; }
  int port(const std::string& key) const;
  std::string caFile() const { return value("CA_FILE"); }
  // The rig's folder: DIR/mail/<local part>/Maildir/new holds what the SMTP server accepted.
  std::string dir() const { return value("RIG_DIR"); }
  // How many messages the SMTP server accepted for the local part.
  std::size_t acceptedCount(const std::string& localPart) const;

  Mailbox claimMailbox();
  // Puts raw bytes into the mailbox past SMTP, as a mail server delivers: written aside, then
  // moved into new/, or with maildir flags ("S", "FS") into cur/ as mail a client already saw.
  void deliver(const Mailbox& box, const std::string& raw, const std::string& flags = "") const;
  // The mailbox's Maildir folder on the rig.
  std::string maildir(const Mailbox& box) const;

  // The rig's OAuth2 authorization server, and one of its test controls (issue, expire, revoke,
  // rotate) for the user, answering its JSON.
  std::string oauthAuthority() const;
  std::string oauthControl(const std::string& what, const std::string& user) const;
  // A sign-in of the box at the authorization server, logging in with the mechanism.
  OAuthLogin signedIn(const Mailbox& box, const std::string& mechanism) const;
  // As the operator's browser at the authorization server: the consent page of the URL, the
  // consent posted as user; the redirect's target, the program's loopback listener.
  std::string consent(const std::string& url, const std::string& user) const;

  PopSettings pop(const Mailbox& box, const std::string& portKey = "POP_PLAIN_PORT") const;
  SmtpSettings smtp(const std::string& portKey = "SMTP_PLAIN_PORT") const;
  // The submission port: STARTTLS, logging in as the box with its password.
  SmtpSettings submission(const Mailbox& box) const;
  // A client whose implicit-TLS ports are the rig's.
  NetMailClient client() const;

 private:
  MailRig();
  std::string value(const std::string& key) const;

  std::map<std::string, std::string> m_env;
  std::string m_failure;
};

// One HTTP request (a POST when form is given); the body, and a redirect's target in location.
std::string httpRequest(const std::string& url, const std::string* form = nullptr,
                        std::string* location = nullptr);

// A message from the list owner to the box; its body has a line starting with a dot.
OutgoingMessage messageTo(const Mailbox& box, const std::string& subject);

// Base of every test that talks to the rig: fails (never skips) when the rig is not running.
class RigTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Every message of the mailbox, over plain POP3 or with the settings; a failure fails the test.
  std::vector<IncomingMessage> readMailbox(const PopSettings& settings);
  std::vector<IncomingMessage> readMailbox(const Mailbox& box) { return readMailbox(rig.pop(box)); }
  MailRig& rig = MailRig::instance();
};

}  // namespace tidewell::mail::testing
