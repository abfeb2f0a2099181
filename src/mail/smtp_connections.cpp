#include "mail/smtp_connections.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace tidewell::mail {

SmtpConnections::SmtpConnections(const SmtpSettings& settings, bool implicitTls, int count) {
  for (int i = 0; i < count; ++i)
    m_sessions.push_back(std::make_unique<SmtpSession>(settings, implicitTls));
}

std::vector<SendResult> SmtpConnections::send(const std::vector<Envelope>& batch,
                                              const std::function<void(std::size_t)>& accepted) {
  std::vector<SendResult> results(batch.size());
  std::atomic<std::size_t> next{0};
  auto work = [&](SmtpSession& session) {
    for (std::size_t i = next++; i < batch.size(); i = next++) {
      const Envelope& e = batch[i];
      SendResult& result = results[i];
      result.accepted = session.send(*e.from, *e.to, *e.data);
      if (result.accepted) {
        if (accepted) accepted(i);
      } else {
        result.error = session.lastError();
        result.reply = session.lastReply();
      }
    }
  };
  std::vector<std::thread> workers;
  const std::size_t used = std::min(m_sessions.size(), batch.size());
  for (std::size_t s = 1; s < used; ++s) workers.emplace_back(work, std::ref(*m_sessions[s]));
  if (used > 0) work(*m_sessions[0]);
  for (auto& worker : workers) worker.join();
  return results;
}

}  // namespace tidewell::mail
