#pragma once
// Switching subscribers off on request: an opt-out for one list, and delivery-failure reports
// for an address in every list. Subscribers are never deleted here, only made inactive, and
// every record switched off gets a line in deactivated.log. Runs on the thread that owns the
// subscriber table.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "consent/suppression_list.h"
#include "engine/bounce_counts.h"
#include "engine/deactivation_log.h"
#include "engine/delivery_report_reader.h"
#include "engine/engine_context.h"
#include "engine/subscriber_index.h"
#include "mail/mail_message.h"
#include "store/subscriber_table.h"

namespace tidewell::engine {

// Every record of the address (exact) in the filter with this title (exact) becomes inactive;
// returns the records switched off.
std::vector<store::Position> DeactivateSubscriber(store::SubscriberTable& table,
                                                  SubscriberIndex& exactIndex,
                                                  std::string_view address,
                                                  std::string_view filterTitle);

// The trimmed text between label and the first terminator after it (an empty terminator means
// the end of the line). With ">" as terminator, only what follows a "<" is kept.
std::string ExtractLabeledValue(std::string_view text, std::string_view label,
                                std::string_view terminator);

// The address failed for good: every active record of it, letter case ignored, becomes
// inactive in every list, each with its deactivated.log line. Returns how many.
int switchOffFailedAddress(store::SubscriberTable& table, SubscriberIndex& foldedIndex,
                           DeactivationLog& log, std::string_view address,
                           const SwitchOffReason& why);

// The same for a refusal seen while sending (no report, so no Message-ID): builds its own
// address index, so it suits a few addresses per pass, not one per record. The caller decides
// whether the profile's deactivate setting lets it switch anyone off.
int switchOffFailedAddress(EngineContext& context, std::string_view address,
                           std::string_view status);

// A permanent failure also puts the address on the profile's suppression list, so that no
// list, import or hand entry brings it back by mistake.
void suppressFailedAddress(EngineContext& context, std::string_view address);

// Applies the delivery reports of one check cycle: a permanent failure switches the address
// off at once and suppresses it; temporary failures and undelivered ones of unknown class are
// strikes, and strikes on three different days switch the address off; everything else is
// only logged. Only while the profile's deactivate setting is on.
class BounceHandler {
 public:
  BounceHandler(EngineContext& context, SubscriberIndex& foldedIndex, DeactivationLog& log);

  // True when the message is a delivery report (also when the deactivate setting is off).
  bool handle(const mail::IncomingMessage& message);
  // Writes the temporary-failure counts when they changed.
  void finish();

 private:
  void apply(const RecipientStatus& r, const mail::IncomingMessage& message);
  void countStrike(const RecipientStatus& r, const mail::IncomingMessage& message);
  // A report that names nobody, about an original the profile sent to one subscriber: that
  // subscriber.
  std::optional<std::string> originalRecipient(const ReportReading& reading) const;
  // The recipient a tagged return path names, when the report went to one.
  std::optional<std::string> taggedRecipient(const ReportReading& reading);
  void logOnly(const RecipientStatus& r, const mail::IncomingMessage& message);

  EngineContext& m_context;
  SubscriberIndex& m_folded;
  DeactivationLog& m_log;
  BounceCounts m_counts;
  consent::SuppressionList m_suppressed;
  // Tag to address, made when the first tagged report of the cycle arrives.
  std::optional<std::unordered_map<std::string, std::string>> m_tags;
};

}  // namespace tidewell::engine
