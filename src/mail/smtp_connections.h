#pragma once
// Several SMTP connections at once, each a SmtpSession on a thread of its own for the length of
// a batch; the messages of a batch go to whichever connection is free, so a slow link carries
// several messages per round trip. Connections stay open from batch to batch. libcurl's multi
// interface would not do: its SMTP transfer waits for the reply to the end of the message
// inside its done step, blocking every other transfer of the multi handle meanwhile. Called on
// the transfer thread.
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

  // Sends every message; accepted(i) runs (on one of the connections' threads) the moment
  // message i was accepted. Results in the order of the messages.
  std::vector<SendResult> send(const std::vector<Envelope>& batch,
                               const std::function<void(std::size_t)>& accepted);

 private:
  std::vector<std::unique_ptr<SmtpSession>> m_sessions;
};

}  // namespace tidewell::mail
