#pragma once
// One newsletter sending pass: every newsletter that is due today goes to every active
// subscriber of its filter who has not had it, personalised, over one SMTP connection; each send
// is logged and remembered in the subscriber's sent list. Runs on the thread that owns the
// subscriber table; the sends themselves go through the transfer runner.
#include <string>
#include <unordered_set>

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
  void sendNewsletter(NewsletterRecord& newsletter);
  void sendTo(NewsletterRecord& newsletter, store::Position p);
  bool deliver(const NewsletterRecord& newsletter, store::Position p, const std::string& address);

  EngineContext& m_context;
  SendCounters& m_counters;
  mail::MailClient& m_client;
  LogAppender m_activityLog;
  // address + ":" + title of every message sent in this pass.
  std::unordered_set<std::string> m_runLog;
  bool m_sent = false;
};

// Sends a message through the client on the transfer runner; reports a refusal with the
// server's reason under `procedure`. True when the server accepted it.
bool sendThroughRunner(EngineContext& context, mail::MailClient& client,
                       const mail::OutgoingMessage& message, store::Procedure procedure);

}  // namespace tidewell::engine
