#include "mail/smtp_connections.h"

#include <algorithm>

namespace tidewell::mail {

SmtpConnections::SmtpConnections(const SmtpSettings& settings, bool implicitTls, int count)
    : m_multi(curl_multi_init()) {
  for (int i = 0; i < count; ++i)
    m_sessions.push_back(std::make_unique<SmtpSession>(settings, implicitTls));
  // At most count transfers run at once, so no more connections are opened; a limit here
  // would only make a transfer wait for a connection another one is just giving back.
  curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, static_cast<long>(count));
}

SmtpConnections::~SmtpConnections() {
  for (auto& [handle, flight] : m_inFlight) curl_multi_remove_handle(m_multi, handle);
  // The multi handle holds the open connections and says QUIT on each.
  curl_multi_cleanup(m_multi);
}

void SmtpConnections::finished(CURL* handle, CURLcode code, std::vector<SendResult>& results,
                               const std::function<void(std::size_t)>& accepted) {
  auto it = std::find_if(m_inFlight.begin(), m_inFlight.end(),
                         [&](const auto& f) { return f.first == handle; });
  if (it == m_inFlight.end()) return;
  const InFlight flight = it->second;
  curl_multi_remove_handle(m_multi, handle);
  SmtpSession& session = *m_sessions[flight.session];
  SmtpSession::Step step = session.finish(code);
  if (step == SmtpSession::Step::kAgain) {
    curl_multi_add_handle(m_multi, handle);
    return;
  }
  m_inFlight.erase(it);
  SendResult& result = results[flight.message];
  result.accepted = step == SmtpSession::Step::kAccepted;
  if (result.accepted) {
    if (accepted) accepted(flight.message);
  } else {
    result.error = session.lastError();
    result.reply = session.lastReply();
  }
  m_free.push_back(flight.session);
  ++m_done;
}

std::vector<SendResult> SmtpConnections::send(const std::vector<Envelope>& batch,
                                              const std::function<void(std::size_t)>& accepted) {
  std::vector<SendResult> results(batch.size());
  m_free.clear();
  for (std::size_t i = m_sessions.size(); i > 0; --i) m_free.push_back(i - 1);
  m_done = 0;
  std::size_t next = 0;
  while (m_done < batch.size()) {
    while (next < batch.size() && !m_free.empty()) {
      const std::size_t s = m_free.back();
      m_free.pop_back();
      const Envelope& e = batch[next];
      CURL* handle = m_sessions[s]->begin(*e.from, *e.to, *e.data);
      if (!handle) {
        results[next] = {false, m_sessions[s]->lastError(), m_sessions[s]->lastReply()};
        m_free.push_back(s);
        ++m_done;
      } else {
        m_inFlight.push_back({handle, {s, next}});
        curl_multi_add_handle(m_multi, handle);
      }
      ++next;
    }
    int running = 0;
    curl_multi_perform(m_multi, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
      if (message->msg == CURLMSG_DONE)
        finished(message->easy_handle, message->data.result, results, accepted);
    }
    if (m_done < batch.size() && running > 0) curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
  }
  return results;
}

}  // namespace tidewell::mail
