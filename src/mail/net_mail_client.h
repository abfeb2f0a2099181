#pragma once
// The real mail client: POP3 or IMAP and SMTP over libcurl, messages read and built with GMime.
// Made per check cycle by netMailClientFactory and used by one transfer thread at a time.
#include <memory>
#include <string>

#include "mail/attachment_cache.h"
#include "mail/imap_session.h"
#include "mail/mail_client.h"
#include "mail/pop3_session.h"
#include "mail/smtp_connections.h"
#include "mail/smtp_session.h"

namespace tidewell::mail {

// The ports on which "SSL" means TLS from the first byte rather than STARTTLS.
struct ImplicitTlsPorts {
  int pop3 = 995;
  int smtp = 465;
  int imap = 993;
};

class NetMailClient : public MailClient {
 public:
  explicit NetMailClient(ImplicitTlsPorts implicitTlsPorts = {})
      : m_implicitTls(implicitTlsPorts) {}

  void setPop3(const PopSettings& settings) override;
  void setSmtp(const SmtpSettings& settings) override;
  void setProgress(ProgressCallback progress) override { m_progress = std::move(progress); }

  std::optional<std::vector<std::string>> fetchUidls() override;
  FetchResult fetchMessages(const std::vector<std::string>& uidls) override;
  bool deleteMessages(const std::vector<std::string>& uidls) override;
  void endPop3Session() override;

  std::optional<ImapListing> listImapFolder(std::uint32_t afterUid) override;
  FetchResult fetchImapMessages(std::uint32_t uidValidity,
                                const std::vector<std::uint32_t>& uids) override;
  bool restoreUnseen(const std::vector<std::uint32_t>& uids) override;
  bool markHandled(const std::vector<std::uint32_t>& uids) override;

  int send(const OutgoingMessage& message) override;
  PreparedMessage prepare(OutgoingMessage message) override;
  int sendPrepared(const PreparedMessage& prepared) override;
  void endSmtpSession() override;
  void setConnections(int count) override;
  std::vector<SendResult> sendBatch(const std::vector<const PreparedMessage*>& batch,
                                    const std::function<void(std::size_t)>& accepted) override;

  std::string lastError() const override { return m_lastError; }
  SmtpReply lastSmtpReply() const override { return m_lastReply; }

 private:
  void reportProgress(std::size_t done, std::size_t total);
  // Puts an access token into an OAuth2 log-in (none needed without a refresh token); on
  // failure lastError says why, a refused refresh beginning with "Sign in again".
  bool takeBearer(OAuthLogin& login, int timeoutSeconds, bool fresh, bool& fromMemory,
                  const std::string& account);
  bool openPop3(bool freshToken, bool& tokenFromMemory);
  bool openImap(bool freshToken, bool& tokenFromMemory);
  std::optional<ImapListing> listOpenFolder(std::uint32_t afterUid);
  // False with m_lastError set when no IMAP session is open.
  bool imapOpen();
  // Takes the access token the SMTP log-in needs (none for a password); false with the reason
  // in m_lastError, and a refused sign-in remembered for the rest of the pass.
  bool signInToSmtp(bool freshToken);
  bool openSmtp(bool freshToken);

  ImplicitTlsPorts m_implicitTls;
  PopSettings m_popSettings;
  SmtpSettings m_smtpSettings;
  ProgressCallback m_progress;
  std::unique_ptr<Pop3Session> m_pop3;
  std::unique_ptr<ImapSession> m_imap;
  std::unique_ptr<SmtpSession> m_smtp;
  int m_connections = 1;
  std::unique_ptr<SmtpConnections> m_pool;
  bool m_smtpTokenFromMemory = false;  // the SMTP session logs in with a token kept in memory
  std::string m_smtpRefusal;           // the "Sign in again" error of this pass, once refused
  AttachmentCache m_attachments;
  std::string m_lastError;
  SmtpReply m_lastReply;
};

// Makes a NetMailClient for each check cycle.
MailClientFactory netMailClientFactory();

}  // namespace tidewell::mail
