#pragma once
// Switching subscribers off on request: an opt-out for one list, and delivery-failure reports
// for an address in every list. Subscribers are never deleted here, only made inactive. Runs on
// the thread that owns the subscriber table.
#include <string>
#include <string_view>

#include "engine/subscriber_index.h"
#include "mail/mail_message.h"
#include "store/subscriber_table.h"

namespace tidewell::engine {

// Every record of the address (exact) in the filter with this title (exact) becomes inactive.
void DeactivateSubscriber(store::SubscriberTable& table, SubscriberIndex& exactIndex,
                          std::string_view address, std::string_view filterTitle);

// The trimmed text between label and the first terminator after it (an empty terminator means
// the end of the line). With ">" as terminator, only what follows a "<" is kept.
std::string ExtractLabeledValue(std::string_view text, std::string_view label,
                                std::string_view terminator);

struct DeliveryReport {
  bool failed = false;
  std::string recipient;  // upper case
};

// Reads a message as a delivery-status report: it reports a failure when the diagnostic code
// holds 550, 553 or 554 or the action is "failed". The recipient is read from Final-Recipient
// as delivery reports write it ("rfc822; user@example.com", angle brackets or not).
DeliveryReport readDeliveryReport(const mail::IncomingMessage& message);

// A permanent failure of the address, from a report or from the server's refusal while sending:
// every record of it, compared without regard to case, becomes inactive in every list. Only
// when the profile's deactivate setting is "true".
void applyPermanentFailure(store::SubscriberTable& table, SubscriberIndex& foldedIndex,
                           std::string_view address, std::string_view deactivate);

// Applies a failure report: every record of the recipient, compared without regard to case,
// becomes inactive in every list. Only when the profile's deactivate setting is "true".
void applyDeliveryFailure(store::SubscriberTable& table, SubscriberIndex& foldedIndex,
                          const mail::IncomingMessage& message, std::string_view deactivate);

}  // namespace tidewell::engine
