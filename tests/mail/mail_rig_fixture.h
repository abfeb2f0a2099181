#pragma once
// The test mail servers (tests/mail_rig) as the tests see them: ports, the CA file, mailboxes
// claimed one per test so tests in parallel processes never share one. One per test program;
// the rig is the one ctest started, else one started on first use and stopped at exit.
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

  bool ready() const { return m_ready; }
  // Why the rig is not running, with its log.
  const std::string& failure() const { return m_failure; }
  int port(const std::string& key) const;
  std::string caFile() const { return value("CA_FILE"); }
  // The rig's folder: DIR/mail/<local part>/Maildir/new holds what the SMTP server accepted.
  std::string dir() const { return value("RIG_DIR"); }
  // How many messages the SMTP server accepted for the local part.
  std::size_t acceptedCount(const std::string& localPart) const;

  Mailbox claimMailbox();
  // Puts raw bytes into the mailbox as a new message, past SMTP.
  void deliver(const Mailbox& box, const std::string& raw);

  PopSettings pop(const Mailbox& box, const std::string& portKey = "POP_PLAIN_PORT") const;
  SmtpSettings smtp(const std::string& portKey = "SMTP_PLAIN_PORT") const;
  // A client whose implicit-TLS ports are the rig's.
  NetMailClient client() const;

  void stopOwnRig();

 private:
  MailRig();
  bool load(const std::string& dir);
  void startOwnRig();
  std::string value(const std::string& key) const;

  std::map<std::string, std::string> m_env;
  std::string m_ownDir;
  bool m_ready = false;
  std::string m_failure;
};

// Base of every test that talks to the rig: fails (never skips) when the rig is not running.
class RigTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Every message of the mailbox, over plain POP3; a failure fails the test.
  std::vector<IncomingMessage> readMailbox(const Mailbox& box);
  MailRig& rig = MailRig::instance();
};

}  // namespace tidewell::mail::testing
