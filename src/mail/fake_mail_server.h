#pragma once
// An in-memory mailbox and outbox behind the mail boundary, for unit tests and benchmarks: the
// clients it makes read its mailbox and record what they send. Switches make the log-in, a
// download or a number of sends fail. Owned by the test; clients may outlive no server.
#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mail/mail_client.h"

namespace tidewell::mail {

class FakeMailServer {
 public:
  // Messages are listed and fetched by their uidl.
  std::vector<IncomingMessage> mailbox;
  std::vector<OutgoingMessage> sent;
  std::vector<std::string> deleted;
  // Settings the last client was given.
  PopSettings pop;
  SmtpSettings smtp;

  bool refuseLogin = false;
  // What a refused log-in says (a wrong password unless told otherwise).
  std::string loginError = "-ERR [AUTH] Authentication failed.";
  // Downloads stop with a failure after this many messages in one fetch.
  std::size_t fetchFailsAfter = static_cast<std::size_t>(-1);
  // The next this many sends are refused.
  int refuseSends = 0;
  // Sends to these addresses are refused with the reply, the given number of times (-1: always).
  struct Refusal {
    SmtpReply reply;
    int times = -1;
  };
  std::map<std::string, Refusal> refusals;
  // Once this many messages were accepted, every send gets "421 4.7.0" (a sending limit).
  std::size_t limitAfter = static_cast<std::size_t>(-1);
  // How long each message takes to download or send, as over a slow line.
  std::chrono::milliseconds delay{0};
  // Sends are counted but the messages not kept (for benchmarks).
  bool keepSent = true;
  std::size_t sendCount = 0;
  int clientsMade = 0;
  int popSessionsEnded = 0;

  void add(IncomingMessage message) { mailbox.push_back(std::move(message)); }
  MailClientFactory factory();
};

class FakeMailClient : public MailClient {
 public:
  explicit FakeMailClient(FakeMailServer& server) : m_server(server) {}
  void setPop3(const PopSettings& settings) override { m_server.pop = settings; }
  void setSmtp(const SmtpSettings& settings) override { m_server.smtp = settings; }
  void setProgress(ProgressCallback progress) override { m_progress = std::move(progress); }
  std::optional<std::vector<std::string>> fetchUidls() override;
  FetchResult fetchMessages(const std::vector<std::string>& uidls) override;
  bool deleteMessages(const std::vector<std::string>& uidls) override;
  void endPop3Session() override;
  int send(const OutgoingMessage& message) override;
  void endSmtpSession() override {}
  std::string lastError() const override { return m_lastError; }
  SmtpReply lastSmtpReply() const override { return m_lastReply; }

 private:
  bool refused(const OutgoingMessage& message);

  FakeMailServer& m_server;
  ProgressCallback m_progress;
  std::vector<std::string> m_pendingDeletes;
  std::string m_lastError;
  SmtpReply m_lastReply;
};

}  // namespace tidewell::mail
