#include "mail/fake_mail_server.h"

#include <algorithm>
#include <thread>

namespace tidewell::mail {

MailClientFactory FakeMailServer::factory() {
  return [this]() -> std::unique_ptr<MailClient> {
    ++clientsMade;
    return std::make_unique<FakeMailClient>(*this);
  };
}

std::optional<std::vector<std::string>> FakeMailClient::fetchUidls() {
  if (m_server.refuseLogin) {
    m_lastError = m_server.loginError;
    return std::nullopt;
  }
  std::vector<std::string> uidls;
  uidls.reserve(m_server.mailbox.size());
  for (const auto& message : m_server.mailbox) uidls.push_back(message.uidl);
  return uidls;
}

FetchResult FakeMailClient::fetchMessages(const std::vector<std::string>& uidls) {
  FetchResult result;
  for (std::size_t i = 0; i < uidls.size(); ++i) {
    if (result.messages.size() >= m_server.fetchFailsAfter) {
      m_lastError = "connection dropped";
      result.complete = false;
      return result;
    }
    auto found = std::find_if(m_server.mailbox.begin(), m_server.mailbox.end(),
                              [&](const IncomingMessage& m) { return m.uidl == uidls[i]; });
    if (found == m_server.mailbox.end()) continue;
    if (m_server.delay.count() > 0) std::this_thread::sleep_for(m_server.delay);
    result.messages.push_back(*found);
    if (m_progress) m_progress(static_cast<int>((i + 1) * 100 / uidls.size()));
  }
  return result;
}

bool FakeMailClient::deleteMessages(const std::vector<std::string>& uidls) {
  m_pendingDeletes.insert(m_pendingDeletes.end(), uidls.begin(), uidls.end());
  return true;
}

void FakeMailClient::endPop3Session() {
  ++m_server.popSessionsEnded;
  for (const auto& uidl : m_pendingDeletes) {
    std::erase_if(m_server.mailbox, [&](const IncomingMessage& m) { return m.uidl == uidl; });
    m_server.deleted.push_back(uidl);
  }
  m_pendingDeletes.clear();
}

bool FakeMailClient::refused(const OutgoingMessage& message) {
  m_lastReply = {};
  if (m_server.refuseSends > 0) {
    --m_server.refuseSends;
    m_lastReply = {554, "554 5.7.1 refused"};
  } else if (m_server.sendCount >= m_server.limitAfter) {
    m_lastReply = {421, "421 4.7.0 Too many messages, try again later"};
  } else if (auto r = m_server.refusals.find(message.toAddress);
             r != m_server.refusals.end() && r->second.times != 0) {
    if (r->second.times > 0) --r->second.times;
    m_lastReply = r->second.reply;
  }
  m_lastError = m_lastReply.text;
  return m_lastReply.code != 0;
}

int FakeMailClient::send(const OutgoingMessage& message) {
  if (m_server.delay.count() > 0) std::this_thread::sleep_for(m_server.delay);
  if (refused(message)) return 0;
  ++m_server.sendCount;
  if (m_server.keepSent) m_server.sent.push_back(message);
  return kSendAccepted;
}

}  // namespace tidewell::mail
