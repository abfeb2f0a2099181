#include "mail/net_mail_client.h"

#include <algorithm>

#include "mail/message_builder.h"
#include "mail/message_parser.h"
#include "mail/oauth_tokens.h"

namespace tidewell::mail {

namespace {

// An address with any of these would let data add SMTP commands or break the angle brackets
// libcurl puts around it.
std::string envelopeProblem(const std::string& role, const std::string& address) {
  if (address.find_first_of(std::string("\r\n<>\0", 5)) != std::string::npos)
    return role + " address holds a line break, NUL or angle bracket";
  return {};
}

// Why the message cannot be handed to the server at all, or empty.
std::string refusedBeforeSending(const OutgoingMessage& message) {
  std::string problem = envelopeProblem("sender", envelopeSenderOf(message));
  if (problem.empty()) problem = envelopeProblem("recipient", message.toAddress);
  if (problem.empty() && message.toAddress.empty()) problem = "recipient address is empty";
  return problem.empty() ? problem : "SMTP: message not sent: " + problem;
}

}  // namespace

void NetMailClient::setPop3(const PopSettings& settings) {
  m_pop3.reset();
  m_imap.reset();
  m_popSettings = settings;
}

void NetMailClient::setSmtp(const SmtpSettings& settings) {
  // A forced send sets the settings for every subscriber: the same ones keep the connection.
  if (settings == m_smtpSettings && (m_smtp || m_pool)) return;
  m_smtp.reset();
  m_pool.reset();
  m_smtpRefusal.clear();
  m_smtpSettings = settings;
}

bool NetMailClient::takeBearer(OAuthLogin& login, int timeoutSeconds, bool fresh, bool& fromMemory,
                               const std::string& account) {
  fromMemory = false;
  if (!login.used()) return true;
  TokenFailure failure{true, "no sign-in has been saved"};
  auto token = login.refreshToken.empty()
                   ? std::nullopt
                   : OAuthTokens::accessToken(login, fresh, fromMemory, failure, timeoutSeconds);
  if (token) {
    login.bearerToken = *token;
    return true;
  }
  m_lastError = failure.refused ? std::string(kSignInAgain) +
                                      ": the provider no longer accepts "
                                      "the saved sign-in for " +
                                      account + " (" + failure.reason +
                                      "). Use \"Sign in...\" in Server Settings or "
                                      "tidewell-cli sign-in"
                                : account + " OAuth2: " + failure.reason;
  return false;
}

bool NetMailClient::openPop3(bool freshToken, bool& tokenFromMemory) {
  if (!takeBearer(m_popSettings.oauth, m_popSettings.timeoutSeconds, freshToken, tokenFromMemory,
                  "Pop3"))
    return false;
  m_pop3 = std::make_unique<Pop3Session>(
      m_popSettings, m_popSettings.ssl && m_popSettings.port == m_implicitTls.pop3);
  return true;
}

std::optional<std::vector<std::string>> NetMailClient::fetchUidls() {
  m_lastError.clear();
  bool tokenFromMemory = false;
  if (!m_pop3 && !openPop3(false, tokenFromMemory)) return std::nullopt;
  auto uidls = m_pop3->listUidls();
  // A kept access token may have been withdrawn before its time: one try with a new one.
  if (!uidls && tokenFromMemory && m_pop3->logInRefused()) {
    m_pop3.reset();
    if (!openPop3(true, tokenFromMemory)) return std::nullopt;
    uidls = m_pop3->listUidls();
  }
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
  if (m_imap) m_imap->end();
  m_imap.reset();
}

bool NetMailClient::openImap(bool freshToken, bool& tokenFromMemory) {
  if (!takeBearer(m_popSettings.oauth, m_popSettings.timeoutSeconds, freshToken, tokenFromMemory,
                  "IMAP"))
    return false;
  m_imap = std::make_unique<ImapSession>(
      m_popSettings, m_popSettings.ssl && m_popSettings.port == m_implicitTls.imap);
  return true;
}

std::optional<ImapListing> NetMailClient::listOpenFolder(std::uint32_t afterUid) {
  ImapListing listing;
  auto status = m_imap->status();
  if (!status) return std::nullopt;
  listing.uidValidity = status->uidValidity;
  auto uids = m_imap->searchAfter(afterUid, status->uidNext, m_popSettings.doneKeyword);
  if (!uids) return std::nullopt;
  listing.uids = std::move(*uids);
  auto unseen = m_imap->unseenOf(listing.uids);
  if (!unseen) return std::nullopt;
  listing.unseen = std::move(*unseen);
  return listing;
}

std::optional<ImapListing> NetMailClient::listImapFolder(std::uint32_t afterUid) {
  m_lastError.clear();
  bool tokenFromMemory = false;
  if (!m_imap && !openImap(false, tokenFromMemory)) return std::nullopt;
  auto listing = listOpenFolder(afterUid);
  // A kept access token may have been withdrawn before its time: one try with a new one.
  if (!listing && tokenFromMemory && m_imap->logInRefused()) {
    m_imap.reset();
    if (!openImap(true, tokenFromMemory)) return std::nullopt;
    listing = listOpenFolder(afterUid);
  }
  if (!listing) {
    m_lastError = m_imap->lastError();
    m_imap.reset();
  }
  return listing;
}

bool NetMailClient::imapOpen() {
  m_lastError.clear();
  if (!m_imap) m_lastError = "IMAP: no session open; list the folder first";
  return m_imap != nullptr;
}

FetchResult NetMailClient::fetchImapMessages(std::uint32_t uidValidity,
                                             const std::vector<std::uint32_t>& uids) {
  FetchResult result;
  if (!imapOpen()) {
    result.complete = uids.empty();
    return result;
  }
  reportProgress(0, uids.size());
  for (std::size_t i = 0; i < uids.size(); ++i) {
    auto raw = m_imap->fetch(uidValidity, uids[i]);
    if (!raw) {
      m_lastError = m_imap->lastError();
      result.complete = false;
      return result;
    }
    result.messages.push_back(MessageParser::parse(*raw, std::to_string(uids[i])));
    reportProgress(i + 1, uids.size());
  }
  return result;
}

bool NetMailClient::restoreUnseen(const std::vector<std::uint32_t>& uids) {
  if (uids.empty()) return true;
  if (!imapOpen()) return false;
  if (m_imap->store(uids, "-FLAGS.SILENT", "(\\Seen)")) return true;
  m_lastError = m_imap->lastError();
  return false;
}

bool NetMailClient::markHandled(const std::vector<std::uint32_t>& uids) {
  if (uids.empty()) return true;
  if (!imapOpen()) return false;
  const std::string& keyword = m_popSettings.doneKeyword;
  const std::string& folder = m_popSettings.doneFolder;
  bool ok = keyword.empty() || m_imap->store(uids, "+FLAGS.SILENT", "(" + keyword + ")");
  ok = ok && (folder.empty() || m_imap->move(uids, folder));
  if (!ok) m_lastError = m_imap->lastError();
  return ok;
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
  m_lastError = refusedBeforeSending(message);
  if (!m_lastError.empty()) return 0;
  if (!m_smtp && !openSmtp(false)) return 0;
  bool accepted = m_smtp->send(envelopeSenderOf(message), message.toAddress, prepared.data);
  // A refused log-in sent nothing, so the message may go again with a new access token.
  if (!accepted && m_smtpTokenFromMemory && m_smtp->logInRefused()) {
    m_smtp.reset();
    if (!openSmtp(true)) return 0;
    accepted = m_smtp->send(envelopeSenderOf(message), message.toAddress, prepared.data);
  }
  // Left-out attachments are reported even when the message went.
  m_lastError = prepared.warnings;
  if (!accepted) {
    m_lastError += m_smtp->lastError();
    m_lastReply = m_smtp->lastReply();
  }
  return accepted ? kSendAccepted : 0;
}

bool NetMailClient::signInToSmtp(bool freshToken) {
  // A refused sign-in stays refused for the rest of the pass: no request per message.
  if (!m_smtpRefusal.empty()) {
    m_lastError = m_smtpRefusal;
    return false;
  }
  const bool logIn = m_smtpSettings.authentication != 0;
  if (logIn && !takeBearer(m_smtpSettings.oauth, m_smtpSettings.timeoutSeconds, freshToken,
                           m_smtpTokenFromMemory, "SMTP")) {
    m_lastError = "SMTP: message not sent: " + m_lastError;
    if (m_lastError.find(kSignInAgain) != std::string::npos) m_smtpRefusal = m_lastError;
    return false;
  }
  return true;
}

bool NetMailClient::openSmtp(bool freshToken) {
  if (!signInToSmtp(freshToken)) return false;
  m_smtp = std::make_unique<SmtpSession>(
      m_smtpSettings, m_smtpSettings.ssl && m_smtpSettings.port == m_implicitTls.smtp);
  return true;
}

void NetMailClient::endSmtpSession() {
  if (m_smtp) m_smtp->end();
  m_smtp.reset();
  m_pool.reset();
  m_attachments.clear();
}

void NetMailClient::setConnections(int count) {
  m_connections = std::clamp(count, 1, 8);
  m_pool.reset();
}

std::vector<SendResult> NetMailClient::sendBatch(const std::vector<const PreparedMessage*>& batch,
                                                 const std::function<void(std::size_t)>& accepted) {
  if (m_connections <= 1) return MailClient::sendBatch(batch, accepted);
  std::vector<SendResult> results(batch.size());
  if (!m_pool) {
    // Every connection of the pool logs in with the same access token.
    if (!signInToSmtp(false)) {
      for (SendResult& r : results) r.error = m_lastError;
      return results;
    }
    m_pool = std::make_unique<SmtpConnections>(
        m_smtpSettings, m_smtpSettings.ssl && m_smtpSettings.port == m_implicitTls.smtp,
        m_connections);
  }
  std::vector<SmtpConnections::Envelope> envelopes;
  std::vector<std::size_t> sentIndex;  // envelope -> batch position
  for (std::size_t i = 0; i < batch.size(); ++i) {
    const OutgoingMessage& m = batch[i]->message;
    results[i].error = refusedBeforeSending(m);
    if (!results[i].error.empty()) continue;
    envelopes.push_back({&envelopeSenderOf(m), &m.toAddress, &batch[i]->data});
    sentIndex.push_back(i);
  }
  std::vector<SendResult> sent = m_pool->send(envelopes, [&](std::size_t e) {
    if (accepted) accepted(sentIndex[e]);
  });
  for (std::size_t e = 0; e < sent.size(); ++e) {
    SendResult& r = results[sentIndex[e]];
    r = std::move(sent[e]);
    // Left-out attachments are reported even when the message went.
    r.error = batch[sentIndex[e]]->warnings + r.error;
  }
  return results;
}

MailClientFactory netMailClientFactory() {
  return []() -> std::unique_ptr<MailClient> { return std::make_unique<NetMailClient>(); };
}

}  // namespace tidewell::mail
