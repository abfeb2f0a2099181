#pragma once
// One newsletter sending pass: every newsletter that is due today goes to every active
// subscriber of its filter who has not had it, personalised, over one SMTP connection; each send
// is logged and remembered in the subscriber's sent list. Runs on the thread that owns the
// subscriber table; the sends themselves go through the transfer runner.
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/bounce_counts.h"
#include "engine/deactivation_log.h"
#include "engine/engine_context.h"
#include "engine/log_appender.h"
#include "engine/newsletter_table.h"

namespace tidewell::engine {

class SendingPass {
 public:
  SendingPass(EngineContext& context, SendCounters& counters, mail::MailClient& client);

  // VBSendMessage: true when at least one message was sent.
  bool VBSendMessage();

 private:
  // One subscriber's copy of a newsletter, made while the copy before it is being sent.
  struct Delivery {
    std::size_t index;  // in the newsletter's due list
    store::Position position;
    std::string address;
    mail::PreparedMessage message;
    bool valid;  // the address passed ValidateEmail; no message is made otherwise
  };

  void sendNewsletter(NewsletterRecord& newsletter);
  // The active subscribers of the newsletter's filter for whom it is due today, in table order.
  std::vector<store::Position> duePositions(const NewsletterRecord& newsletter);
  bool stillToSend(const NewsletterRecord& newsletter, store::Position p) const;
  std::optional<Delivery> prepareFrom(const NewsletterRecord& newsletter,
                                      const std::vector<store::Position>& due, std::size_t from);
  void reject(store::Position p);
  bool sendAlongside(const Delivery& delivery, const std::function<void()>& alongside);
  void record(NewsletterRecord& newsletter, const Delivery& delivery);

  EngineContext& m_context;
  SendCounters& m_counters;
  mail::MailClient& m_client;
  LogAppender m_activityLog;
  DeactivationLog m_deactivationLog;
  BounceCounts m_bounceCounts;  // a successful send forgets the address's temporary failures
  // address + ":" + title of every message sent in this pass.
  std::unordered_set<std::string> m_runLog;
  bool m_sent = false;
};

// Sends a message through the client on the transfer runner; reports a refusal with the
// server's reason under `procedure`. True when the server accepted it.
bool sendThroughRunner(EngineContext& context, mail::MailClient& client,
                       const mail::OutgoingMessage& message, store::Procedure procedure);

}  // namespace tidewell::engine
