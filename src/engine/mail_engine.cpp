#include "engine/mail_engine.h"

#include "engine/check_cycle.h"
#include "engine/cycle_scheduler.h"
#include "engine/forced_send.h"
#include "engine/seen_uidl_store.h"
#include "engine/sending_pass.h"
#include "store/error.h"
#include "store/profile_document.h"

namespace tidewell::engine {

namespace {

// Clears a flag when a scope ends, however it ends.
class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : m_flag(flag) { m_flag = true; }
  ~RunningFlag() { m_flag = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

MailEngine::MailEngine(EngineContext context, std::filesystem::path profilePath,
                       std::int64_t totalEmailsSent)
    : m_context(context), m_profilePath(std::move(profilePath)) {
  m_counters.totalSent = totalEmailsSent;
}

std::filesystem::path MailEngine::seenStorePath() const {
  return seenUidlStorePath(m_profilePath);
}

mail::MailClient& MailEngine::mailman() {
  if (!m_mailman) m_mailman = m_context.makeClient();
  return *m_mailman;
}

void MailEngine::cmdCheckMail_click() {
  if (m_cycleRunning) return;
  RunningFlag running(m_cycleRunning);
  m_mailman = m_context.makeClient();
  CheckCycle cycle(m_context, m_counters, *m_mailman, seenStorePath());
  cycle.run(m_onSent);
  m_lastLoginFailure = cycle.loginFailure();
}

bool MailEngine::VBSendMessage() {
  if (m_cycleRunning) return false;
  RunningFlag running(m_cycleRunning);
  SendingPass pass(m_context, m_counters, mailman());
  bool sent = pass.VBSendMessage();
  if (sent && m_onSent) m_onSent();
  return sent;
}

void MailEngine::forcedSend(const std::vector<store::Position>& positions, int blockIndex) {
  if (m_cycleRunning) return;
  RunningFlag running(m_cycleRunning);
  ForcedSender sender(m_context, m_counters, mailman());
  sender.sendToAll(positions, blockIndex);
}

NewsletterPreview MailEngine::preview(int blockIndex, store::Position p) {
  return previewNewsletter(m_context, blockIndex, p);
}

std::string MailEngine::messageText(const mail::OutgoingMessage& message) {
  return mailman().prepare(message).data;
}

bool MailEngine::sendTest(const mail::OutgoingMessage& message, std::string_view to,
                          std::string& problem) {
  if (m_cycleRunning) {
    problem = "a check cycle is running";
    return false;
  }
  RunningFlag running(m_cycleRunning);
  return sendTestCopy(m_context, mailman(), testCopy(message, to), problem);
}

void MailEngine::beforeTimedCycle() {
  // The save counts the sends it folds into the profile's counters.
  if (m_context.table.changed()) m_context.subscriberFile.Save_Email(m_context.table);
}

double MailEngine::checkIntervalMinutes() const {
  std::string mins = m_context.trap.run(store::Procedure{"command99_Click"}, std::string(), [&] {
    store::ProfileDocument profile = m_context.profile.load();
    for (int index : profile.indexesInTreeOrder()) {
      if (profile.get(index, "name") == "campaign_properties_start") {
        return profile.getExactKey(index, "mins");
      }
    }
    return std::string();
  });
  return CycleScheduler::minutesFrom(mins);
}

bool MailEngine::clearPopHistory() {
  return engine::clearPopHistory(seenStorePath());
}

}  // namespace tidewell::engine
