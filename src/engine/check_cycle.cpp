#include "engine/check_cycle.h"

#include <algorithm>
#include <unordered_set>

#include "engine/imap_check.h"
#include "engine/incoming_processing.h"
#include "engine/log_appender.h"
#include "engine/login_failure.h"
#include "engine/outgoing_mail.h"
#include "engine/seen_uidl_store.h"
#include "engine/sending_pass.h"
#include "store/error.h"
#include "store/profile_document.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("cmdCheckMail_click");

std::vector<std::string> unseen(const std::vector<std::string>& serverUidls,
                                const std::vector<std::string>& seenUidls) {
  std::unordered_set<std::string> seen(seenUidls.begin(), seenUidls.end());
  std::vector<std::string> fresh;
  for (const auto& uidl : serverUidls) {
    if (!seen.count(uidl)) fresh.push_back(uidl);
  }
  return fresh;
}

}  // namespace

CheckCycle::CheckCycle(EngineContext& context, SendCounters& counters, mail::MailClient& mailman,
                       std::filesystem::path seenStore)
    : m_context(context),
      m_counters(counters),
      m_mailman(mailman),
      m_seenStore(std::move(seenStore)) {}

void CheckCycle::run(const std::function<void()>& onSent) {
  bool goOn = false;
  m_context.trap.run(kProcedure, [&] { goOn = receive(); });
  if (goOn && !m_context.stopping()) send(onSent);
  if (!m_unclaimed.empty()) {
    LogAppender(m_context.profileFolder / "activity.log", m_context.trap)
        .append(m_unclaimed.logLine(m_context.clock()));
  }
}

void CheckCycle::send(const std::function<void()>& onSent) {
  auto& ui = m_context.ui();
  ui.showStatus("Processing Outgoing Messages...");
  SendingPass pass(m_context, m_counters, m_mailman);
  if (pass.VBSendMessage()) {
    if (onSent) onSent();
    ui.showStatus("New messages have been sent!");
  } else {
    ui.showStatus("No new messages sent.");
  }
  // The operator should see that the rest waits for the next cycle.
  if (!pass.pauseText().empty()) ui.showStatus(pass.pauseText());
}

bool CheckCycle::receive() {
  auto& ui = m_context.ui();
  const auto& pop = m_context.settings.pop_port;
  mail::PopSettings settings;
  try {
    settings = popSettingsOf(m_context.settings, m_context.caFile);
  } catch (const store::TrapError&) {
    if (pop != store::kAbsent || m_context.settings.imap) throw;
    // Logged as well, so a cycle that ends here counts as failed.
    m_context.trap.report(kProcedure,
                          {store::ErrorNumber::kBadArgument, "Pop3 Port is not set up correctly"});
    ui.showStatus("Pop3 Port is not set up correctly!");
    ui.showMessage("Pop3 Port is not set up correctly", "Tidewell");
    return false;
  }
  m_mailman.setPop3(settings);
  m_mailman.setProgress([&ui](int percent) { ui.showProgress(percent, 100); });
  if (settings.imap)
    return ImapCheck(m_context, m_mailman, imapStatePath(m_seenStore)).receive(m_unclaimed);
  std::vector<std::string> seenUidls = loadSeenUidls(m_seenStore);
  ui.showStatus("Logging into Pop3...");
  auto serverUidls = listMailbox();
  if (!serverUidls) return false;
  std::vector<std::string> newUidls = unseen(*serverUidls, seenUidls);
  ui.showProgress(0, 100);
  bool complete = true;
  if (newUidls.empty()) {
    ui.showStatus("No New Messages");
  } else {
    complete = download(*serverUidls, newUidls, seenUidls);
  }
  m_context.runner.run([&] { m_mailman.endPop3Session(); });
  return complete;
}

std::optional<std::vector<std::string>> CheckCycle::listMailbox() {
  std::optional<std::vector<std::string>> uidls;
  std::string reason;
  m_context.runner.run([&] {
    uidls = m_mailman.fetchUidls();
    if (!uidls) reason = m_mailman.lastError();
  });
  if (!uidls) {
    reportTransferFailure("Logging into Pop3 failed: " + reason);
    m_loginFailure = loginFailureOf(reason);
    m_context.ui().showStatus(loginFailureStatus("Pop3", reason));
    m_context.runner.run([&] { m_mailman.endPop3Session(); });
  }
  return uidls;
}

bool CheckCycle::download(const std::vector<std::string>& serverUidls,
                          const std::vector<std::string>& newUidls,
                          const std::vector<std::string>& seenUidls) {
  auto& ui = m_context.ui();
  ui.showStatus("Downloading New Emails...");
  mail::FetchResult fetched;
  std::string reason;
  m_context.runner.run([&] {
    fetched = m_mailman.fetchMessages(newUidls);
    if (!fetched.complete) reason = m_mailman.lastError();
  });
  IncomingProcessor processor(m_context);
  // Messages left when the program is asked to end stay unseen for the next cycle.
  std::vector<std::string> processed;
  processor.readAll(fetched.messages,
                    [&](std::size_t i, bool) { processed.push_back(fetched.messages[i].uidl); });
  // The messages count as seen only once their subscribers are safely on disk; otherwise the
  // next cycle downloads and processes them again.
  if (!processor.saveCaptures(kProcedure)) return false;
  // Deleted before they count as seen: a crash in between brings them back once, and their
  // sign-ups are already subscribers; the other way round they would stay on the server.
  if (fetched.complete && m_context.settings.delete_after_checking == "true") {
    deleteFromServer(processed);
  }
  markSeen(serverUidls, seenUidls, processed);
  // Only seen reports count, so a report read again after a crash or a failed save counts once.
  processor.finish();
  m_unclaimed = processor.unclaimed();
  if (!fetched.complete) {
    reportTransferFailure("Downloading from Pop3 broke off: " + reason);
    return false;
  }
  ui.showStatus("Ready");
  return true;
}

void CheckCycle::markSeen(const std::vector<std::string>& serverUidls,
                          const std::vector<std::string>& seenUidls,
                          const std::vector<std::string>& processed) {
  std::unordered_set<std::string> known(seenUidls.begin(), seenUidls.end());
  known.insert(processed.begin(), processed.end());
  std::vector<std::string> seen;
  for (const auto& uidl : serverUidls) {
    if (known.count(uidl)) seen.push_back(uidl);
  }
  saveSeenUidls(m_seenStore, seen);
}

void CheckCycle::deleteFromServer(const std::vector<std::string>& processed) {
  bool deleted = false;
  std::string reason;
  m_context.runner.run([&] {
    deleted = m_mailman.deleteMessages(processed);
    if (!deleted) reason = m_mailman.lastError();
    m_mailman.endPop3Session();  // the deletions take effect when the session ends
  });
  if (!deleted) reportTransferFailure("Deleting from Pop3 failed: " + reason);
}

void CheckCycle::reportTransferFailure(const std::string& what) {
  m_context.trap.report(kProcedure, {store::ErrorNumber::kMailTransfer, what});
}

}  // namespace tidewell::engine
