#pragma once
// The operator's forced send: one newsletter at once to chosen subscribers, whatever its
// schedule, filter and earlier sends. Three tries per subscriber; failures go to "unsent.log".
// Runs on the thread that owns the subscriber table; sends go through the transfer runner.
#include <memory>
#include <vector>

#include "consent/suppression_list.h"
#include "engine/engine_context.h"
#include "engine/log_appender.h"
#include "engine/newsletter_table.h"
#include "engine/send_recorder.h"

namespace tidewell::engine {

// The grid rows a forced send goes to: from the smaller to the larger of the current row and
// the selection's end row.
std::vector<int> forcedSendRows(int currentRow, int selectionEndRow);

class ForcedSender {
 public:
  ForcedSender(EngineContext& context, SendCounters& counters, mail::MailClient& client);

  // Loads the newsletters, then sends the one with this block index to each position in turn
  // with progress shown. Nothing is sent when the newsletters cannot be used.
  void sendToAll(const std::vector<store::Position>& positions, int blockIndex);
  // ForcedSend: one newsletter to one subscriber; inactive subscribers are skipped.
  void ForcedSend(store::Position p, int blockIndex);

 private:
  NewsletterRecord* newsletterAt(int blockIndex);
  bool sendWithRetries(const mail::OutgoingMessage& message, std::string_view title);
  void recordSent(NewsletterRecord& newsletter, store::Position p);

  EngineContext& m_context;
  SendCounters& m_counters;
  mail::MailClient& m_client;
  NewsletterTable m_newsletters;
  LogAppender m_activityLog;
  LogAppender m_unsentLog;
  std::unique_ptr<SendRecorder> m_recorder;
  consent::SuppressionList m_suppressed;  // addresses never mailed, even by hand
  bool m_unrecorded = false;              // a send could not be journaled: the rest are not sent
};

}  // namespace tidewell::engine
