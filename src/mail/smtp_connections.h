#pragma once
// Several SMTP connections at once over libcurl's multi interface: each is a SmtpSession, and
// the messages of a batch go to whichever connection is free, so a slow link carries several
// messages per round trip. Connections stay open from batch to batch. Transfer thread only.
#include <curl/curl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mail/mail_client.h"
#include "mail/smtp_session.h"

namespace tidewell::mail {

class SmtpConnections {
 public:
  struct Envelope {
    const std::string* from;
    const std::string* to;
    const std::string* data;
  };

  SmtpConnections(const SmtpSettings& settings, bool implicitTls, int count);
  ~SmtpConnections();
  SmtpConnections(const SmtpConnections&) = delete;
  SmtpConnections& operator=(const SmtpConnections&) = delete;

  // Sends every message; accepted(i) runs the moment message i was accepted. Results in the
  // order of the messages.
  std::vector<SendResult> send(const std::vector<Envelope>& batch,
                               const std::function<void(std::size_t)>& accepted);

 private:
  struct InFlight {
    std::size_t session;
    std::size_t message;
  };
  void finished(CURL* handle, CURLcode code, std::vector<SendResult>& results,
                const std::function<void(std::size_t)>& accepted);

  CURLM* m_multi = nullptr;
  std::vector<std::unique_ptr<SmtpSession>> m_sessions;
  std::vector<std::size_t> m_free;
  std::vector<std::pair<CURL*, InFlight>> m_inFlight;
  std::size_t m_done = 0;
};

}  // namespace tidewell::mail
