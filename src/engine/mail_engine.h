#pragma once
// The mail engine of an open profile: check cycles, sending passes and forced sends over the
// profile's subscribers, with the sent-mail counters and the current mail client. Owned by the
// main window (or a tidewell-cli command); called on the thread that owns the subscriber table.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/engine_context.h"
#include "engine/login_failure.h"
#include "engine/newsletter_preview.h"
#include "mail/mail_client.h"

namespace tidewell::engine {

class MailEngine {
 public:
  MailEngine(EngineContext context, std::filesystem::path profilePath,
             std::int64_t totalEmailsSent);

  // cmdCheckMail_click: one cycle with a new mail client. Never runs inside another cycle.
  void cmdCheckMail_click();
  // One sending pass with the current client (made when there is none yet).
  bool VBSendMessage();
  // Forced send of the newsletter with this block index to these subscriber positions.
  void forcedSend(const std::vector<store::Position>& positions, int blockIndex);

  // The newsletter of this block index as subscriber p will get it.
  NewsletterPreview preview(int blockIndex, store::Position p);
  // The whole message as the client would hand it to the server (RFC 5322 text); empty when
  // the client makes messages only as it sends them.
  std::string messageText(const mail::OutgoingMessage& message);
  // Mails a test copy of the message to `to`; nothing is recorded. False with the reason.
  bool sendTest(const mail::OutgoingMessage& message, std::string_view to, std::string& problem);

  // Before a timed cycle: pending subscriber changes saved (and their sends counted).
  void beforeTimedCycle();
  // The "mins" of the server settings block, as command99_Click reads it.
  double checkIntervalMinutes() const;
  // mnuClearPop.
  bool clearPopHistory();

  // Why the last cycle's POP3 log-in failed; nothing when it did not.
  std::optional<LoginFailure> lastLoginFailure() const { return m_lastLoginFailure; }
  const store::CampaignProperties& campaign() const { return m_context.settings; }
  bool cycleRunning() const { return m_cycleRunning; }
  // What the engine works on, for the pieces that change subscribers outside a cycle (a
  // sign-up confirmed by hand).
  EngineContext& context() { return m_context; }
  const SendCounters& counters() const { return m_counters; }
  std::filesystem::path seenStorePath() const;
  // How long a recipient the server asked to try later waits before its next try.
  void setRetryWait(std::chrono::milliseconds wait) { m_context.retryWait = wait; }
  // Runs after a pass that sent something (the grid reloads).
  void setOnMessagesSent(std::function<void()> onSent) { m_onSent = std::move(onSent); }

 private:
  mail::MailClient& mailman();

  EngineContext m_context;
  std::filesystem::path m_profilePath;
  SendCounters m_counters;
  std::unique_ptr<mail::MailClient> m_mailman;
  std::function<void()> m_onSent;
  bool m_cycleRunning = false;
  std::optional<LoginFailure> m_lastLoginFailure;
};

}  // namespace tidewell::engine
