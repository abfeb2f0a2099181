#pragma once
// One newsletter sending pass: every newsletter that is due today goes to every active
// subscriber of its filter who has not had it, personalised, over one SMTP connection; each send
// is logged and remembered in the subscriber's sent list. Runs on the thread that owns the
// subscriber table; the sends themselves go through the transfer runner.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "consent/suppression_list.h"
#include "engine/deactivation_log.h"
#include "engine/engine_context.h"
#include "engine/log_appender.h"
#include "engine/newsletter_table.h"
#include "engine/pass_progress.h"
#include "engine/send_recorder.h"
#include "engine/subscriber_index.h"

namespace tidewell::engine {

class SendingPass {
 public:
  SendingPass(EngineContext& context, SendCounters& counters, mail::MailClient& client);

  // VBSendMessage: true when at least one message was sent.
  bool VBSendMessage();
  // Why the pass stopped sending before its end ("Sending paused: ..."); empty when it did not.
  const std::string& pauseText() const { return m_pause; }

 private:
  // One subscriber's copy of a newsletter, made while the copy before it is being sent.
  struct Delivery {
    std::size_t index;  // in the newsletter's due list
    store::Position position;
    std::string address;
    mail::PreparedMessage message;
    bool valid;  // the address passed ValidateEmail; no message is made otherwise
  };

  // What became of a message handed to the server.
  enum class Outcome { kSent, kRetryLater, kNotSent };
  struct Retry {
    Delivery delivery;
    int tries;
    std::chrono::steady_clock::time_point lastTry;
  };

  // The confirmations and reminders of the sign-ups waiting for confirmation, and the drop of
  // those left unconfirmed too long; setUp readies the mail client before the first send.
  void sendConfirmations(const std::function<void()>& setUp);
  void sendNewsletter(NewsletterRecord& newsletter, const std::vector<store::Position>& due);
  // The same over several connections: batches of messages at once, recorded in due order.
  void sendInBatches(NewsletterRecord& newsletter, const std::vector<store::Position>& due);
  // The next messages from position `from` of the due list on; from moves past them.
  std::vector<Delivery> prepareBatch(const NewsletterRecord& newsletter,
                                     const std::vector<store::Position>& due, std::size_t& from);
  std::vector<mail::SendResult> sendBatch(const std::vector<Delivery>& batch,
                                          std::string_view title,
                                          const std::function<void()>& alongside);
  // Reports a message the server did not accept and says what becomes of it.
  Outcome failed(const Delivery& delivery, const std::string& reason, const mail::SmtpReply& reply);
  // Second and third tries of the recipients the server asked to try later, after the others.
  void retryLater(NewsletterRecord& newsletter, std::vector<Retry>& retries);
  Outcome refusal(const Delivery& delivery, const mail::SmtpReply& reply);
  void pause(const std::string& text);
  // Pauses the pass when a cap is reached; true when it may go on.
  bool withinCaps();
  // The active subscribers of the newsletter's filter for whom it is due today, in table order.
  std::vector<store::Position> duePositions(const NewsletterRecord& newsletter);
  bool stillToSend(const NewsletterRecord& newsletter, store::Position p) const;
  std::optional<Delivery> prepareFrom(const NewsletterRecord& newsletter,
                                      const std::vector<store::Position>& due, std::size_t from);
  void reject(store::Position p);
  Outcome sendAlongside(const Delivery& delivery, std::string_view title,
                        const std::function<void()>& alongside);
  void record(NewsletterRecord& newsletter, const Delivery& delivery);

  EngineContext& m_context;
  SendCounters& m_counters;
  mail::MailClient& m_client;
  LogAppender m_activityLog;
  std::unique_ptr<SendRecorder> m_recorder;
  DeactivationLog m_deactivationLog;
  // Addresses never mailed; loaded at the start of the pass.
  consent::SuppressionList m_suppressed;
  std::int64_t m_suppressedSkipped = 0;
  // address + ":" + title of every message sent in this pass.
  std::unordered_set<std::string> m_runLog;
  bool m_sent = false;
  std::string m_pause;
  PassProgress m_progress;
  SendCaps m_caps;
  int m_catchUpDays = 0;
  int m_connections = 1;  // "connections": SMTP connections used at once  // "catchup": follow-ups
                          // due this many days back are still sent
  // Addresses without regard to case, for permanent refusals; built when one occurs.
  std::unique_ptr<SubscriberIndex> m_foldedIndex;
};

// Sends a message through the client on the transfer runner; reports a refusal with the
// server's reason under `procedure`. True when the server accepted it; onAccepted then runs on
// the transfer thread at once.
bool sendThroughRunner(EngineContext& context, mail::MailClient& client,
                       const mail::OutgoingMessage& message, store::Procedure procedure,
                       const std::function<void()>& onAccepted = {});

}  // namespace tidewell::engine
