#include "mail/net_mail_client.h"

#include "mail/message_builder.h"
#include "mail/message_parser.h"

namespace tidewell::mail {

namespace {

// An address with any of these would let data add SMTP commands or break the angle brackets
// libcurl puts around it.
std::string envelopeProblem(const std::string& role, const std::string& address) {
  if (address.find_first_of(std::string("\r\n<>\0", 5)) != std::string::npos)
    return role + " address holds a line break, NUL or angle bracket";
  return {};
}

}  // namespace

void NetMailClient::setPop3(const PopSettings& settings) {
  m_pop3.reset();
  m_popSettings = settings;
}

void NetMailClient::setSmtp(const SmtpSettings& settings) {
  m_smtp.reset();
  m_smtpSettings = settings;
}

std::optional<std::vector<std::string>> NetMailClient::fetchUidls() {
  m_lastError.clear();
  if (!m_pop3)
    m_pop3 = std::make_unique<Pop3Session>(
        m_popSettings, m_popSettings.ssl && m_popSettings.port == m_implicitTls.pop3);
  auto uidls = m_pop3->listUidls();
  if (!uidls) {
    m_lastError = m_pop3->lastError();
    // A failed log-in leaves nothing worth keeping; the next try starts a new session.
    m_pop3.reset();
    return std::nullopt;
  }
  m_lastError = m_pop3->warnings();
  return uidls;
}

void NetMailClient::reportProgress(std::size_t done, std::size_t total) {
  if (m_progress && total > 0) m_progress(static_cast<int>(done * 100 / total));
}

FetchResult NetMailClient::fetchMessages(const std::vector<std::string>& uidls) {
  m_lastError.clear();
  FetchResult result;
  if (!m_pop3) {
    m_lastError = "POP3: no session open; list the UIDLs first";
    result.complete = uidls.empty();
    return result;
  }
  reportProgress(0, uidls.size());
  for (std::size_t i = 0; i < uidls.size(); ++i) {
    auto raw = m_pop3->retrieve(uidls[i]);
    if (!raw) {
      m_lastError = m_pop3->lastError();
      result.complete = false;
      return result;
    }
    result.messages.push_back(MessageParser::parse(*raw, uidls[i]));
    reportProgress(i + 1, uidls.size());
  }
  return result;
}

bool NetMailClient::deleteMessages(const std::vector<std::string>& uidls) {
  m_lastError.clear();
  if (!m_pop3) {
    m_lastError = "POP3: no session open; list the UIDLs first";
    return uidls.empty();
  }
  for (const std::string& uidl : uidls) {
    if (!m_pop3->markDeleted(uidl)) {
      m_lastError = m_pop3->lastError();
      return false;
    }
  }
  return true;
}

void NetMailClient::endPop3Session() {
  if (m_pop3) m_pop3->end();
  m_pop3.reset();
}

int NetMailClient::send(const OutgoingMessage& message) {
  return sendPrepared(prepare(message));
}

PreparedMessage NetMailClient::prepare(OutgoingMessage message) {
  BuiltMessage built = MessageBuilder::build(message, m_attachments);
  return {std::move(message), std::move(built.data), std::move(built.warnings)};
}

int NetMailClient::sendPrepared(const PreparedMessage& prepared) {
  const OutgoingMessage& message = prepared.message;
  m_lastReply = {};
  m_lastError = envelopeProblem("sender", envelopeSenderOf(message));
  if (m_lastError.empty()) m_lastError = envelopeProblem("recipient", message.toAddress);
  if (m_lastError.empty() && message.toAddress.empty()) m_lastError = "recipient address is empty";
  if (!m_lastError.empty()) {
    m_lastError = "SMTP: message not sent: " + m_lastError;
    return 0;
  }
  if (!m_smtp)
    m_smtp = std::make_unique<SmtpSession>(
        m_smtpSettings, m_smtpSettings.ssl && m_smtpSettings.port == m_implicitTls.smtp);
  const bool accepted = m_smtp->send(envelopeSenderOf(message), message.toAddress, prepared.data);
  // Left-out attachments are reported even when the message went.
  m_lastError = prepared.warnings;
  if (!accepted) {
    m_lastError += m_smtp->lastError();
    m_lastReply = m_smtp->lastReply();
  }
  return accepted ? kSendAccepted : 0;
}

void NetMailClient::endSmtpSession() {
  if (m_smtp) m_smtp->end();
  m_smtp.reset();
  m_attachments.clear();
}

MailClientFactory netMailClientFactory() {
  return []() -> std::unique_ptr<MailClient> { return std::make_unique<NetMailClient>(); };
}

}  // namespace tidewell::mail
