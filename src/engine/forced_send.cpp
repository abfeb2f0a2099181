#include "engine/forced_send.h"

#include <algorithm>

#include "engine/outgoing_mail.h"
#include "engine/sending_pass.h"
#include "engine/sent_list.h"
#include "store/error.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("ForcedSend");
constexpr int kTries = 3;

}  // namespace

std::vector<int> forcedSendRows(int currentRow, int selectionEndRow) {
  std::vector<int> rows;
  for (int r = std::min(currentRow, selectionEndRow); r <= std::max(currentRow, selectionEndRow);
       ++r) {
    rows.push_back(r);
  }
  return rows;
}

ForcedSender::ForcedSender(EngineContext& context, SendCounters& counters, mail::MailClient& client)
    : m_context(context),
      m_counters(counters),
      m_client(client),
      m_activityLog(context.profileFolder / "activity.log", context.trap),
      m_unsentLog(context.profileFolder / "unsent.log", context.trap),
      m_suppressed(consent::SuppressionList::pathFor(context.profile.path())) {}

void ForcedSender::sendToAll(const std::vector<store::Position>& positions, int blockIndex) {
  auto& ui = m_context.ui();
  bool loaded = m_context.trap.run(kProcedure, [&] {
    m_newsletters =
        f_load_newsletters(m_context.profile.load(), m_context.table.filterList(), m_context.trap);
  });
  if (!loaded) return;
  if (m_newsletters.stop) {
    // Sending nothing is a failure the operator (or a script) must hear of.
    m_context.trap.report(kProcedure, {store::ErrorNumber::kNoSuchBlock,
                                       "Nothing was sent: no newsletter is assigned to an "
                                       "existing filter, or a message file is missing"});
    return;
  }
  const auto last = static_cast<std::int64_t>(positions.size());
  ui.showProgress(0, std::max<std::int64_t>(last, 1));
  for (std::size_t i = 0; i < positions.size() && !m_unrecorded; ++i) {
    ForcedSend(positions[i], blockIndex);
    ui.showProgress(static_cast<std::int64_t>(i + 1), std::max<std::int64_t>(last, 1));
  }
  ui.hideProgress();
  m_context.runner.run([&] { m_client.endSmtpSession(); });
  if (m_recorder) m_recorder->finish();
  m_context.table.setChanged();
}

NewsletterRecord* ForcedSender::newsletterAt(int blockIndex) {
  for (auto& n : m_newsletters.newsletters) {
    if (n.blockIndex == blockIndex) return &n;
  }
  return nullptr;
}

void ForcedSender::ForcedSend(store::Position p, int blockIndex) {
  m_context.trap.run(kProcedure, [&] {
    NewsletterRecord* newsletter = newsletterAt(blockIndex);
    if (!newsletter) {
      store::raise(store::ErrorNumber::kNoSuchBlock,
                   "No newsletter has the index " + std::to_string(blockIndex));
    }
    auto& table = m_context.table;
    if (p >= table.size() || table.isEmpty() || table.active(p) != "true") return;
    if (m_suppressed.blocks(table.record(p).email())) {
      m_context.ui().showStatus("Not sent: " + std::string(table.record(p).email()) +
                                " is on the suppression list");
      m_context.trap.note(kProcedure, {store::ErrorNumber::kMailTransfer,
                                       "Forced send of " + newsletter->title + " to " +
                                           std::string(table.record(p).email()) +
                                           " skipped: the address is on the suppression list"});
      return;
    }
    if (!m_recorder) m_recorder = std::make_unique<SendRecorder>(m_context);
    m_client.setSmtp(smtpSettingsOf(m_context.settings, m_context.caFile));
    m_context.ui().showStatus("Sending...");
    // The sender name is that of the subscriber's own list, whichever list the grid shows.
    mail::OutgoingMessage message = newsletterMessage(
        *newsletter, table, p, m_context.settings, table.displayName(p), m_context.fieldDelimiter);
    m_context.settings.SendSuccess = sendWithRetries(message, newsletter->title);
    if (!m_context.settings.SendSuccess) {
      m_unsentLog.append(
          mailLogLine("message fail:", message.toAddress, newsletter->title, m_context.clock()));
      return;
    }
    recordSent(*newsletter, p);
  });
}

bool ForcedSender::sendWithRetries(const mail::OutgoingMessage& message, std::string_view title) {
  auto journal = [&] { m_recorder->accepted(message.toAddress, title); };
  for (int attempt = 0; attempt < kTries; ++attempt) {
    m_recorder->stamp();
    bool sent = sendThroughRunner(m_context, m_client, message, kProcedure, journal);
    // A send that cannot be recorded could be sent again after a crash: no more go out.
    if (!m_recorder->reportProblems(kProcedure)) m_unrecorded = true;
    if (sent) return true;
  }
  return false;
}

void ForcedSender::recordSent(NewsletterRecord& newsletter, store::Position p) {
  auto& table = m_context.table;
  m_context.ui().showStatus("Ready");
  std::string_view sentList = table.record(p).sentList();
  if (sentList == kNothingSent || !sentListHas(sentList, newsletter.title)) {
    table.setSentList(p, withTitle(sentList, newsletter.title));
  }
  ++newsletter.timesSent;
  ++m_counters.sentToday;
  ++m_counters.totalSent;
  m_activityLog.append(
      mailLogLine("message sent:", table.record(p).email(), newsletter.title, m_context.clock()));
  table.setChanged();
}

}  // namespace tidewell::engine
