#pragma once
// What happens to one downloaded message: a sign-up becomes a new subscriber of the filter that
// claims it, an opt-out switches the subscriber off in that list, and any other message is read as
// a possible delivery-failure report. Lives for one check cycle (its address indexes are valid
// only while records are not moved); runs on the thread that owns the subscriber table.
#include <functional>
#include <vector>

#include "consent/suppression_list.h"
#include "engine/bounce_handling.h"
#include "engine/confirmation_desk.h"
#include "engine/deactivation_log.h"
#include "engine/engine_context.h"
#include "engine/field_extraction.h"
#include "engine/filter_matcher.h"
#include "engine/subscriber_index.h"
#include "engine/unclaimed_messages.h"
#include "mail/mail_message.h"

namespace tidewell::engine {

class IncomingProcessor {
 public:
  explicit IncomingProcessor(EngineContext& context);

  // ListMessages. A message that could not be read is logged and skipped. Changes stay in the
  // table (its changed flag set); the cycle saves them before it marks the messages seen.
  // True when a rule handled it: a sign-up (also one already captured), an opt-out or a
  // delivery report; the operator's other mail is left as it was.
  bool ListMessages(const mail::IncomingMessage& message);
  // Once the cycle's messages are marked seen: writes what the failure reports left to count.
  void finish();
  // Writes the subscriber table (when it changed) and the sign-ups left waiting for
  // confirmation, failures reported under the check's procedure. Called before the messages
  // count as seen or handled: false means they must be read again on the next check.
  bool saveCaptures(store::Procedure procedure);
  // Reads the downloaded messages in order with the progress shown, calling after(i, handled)
  // for each; stops early when the program is asked to end, leaving the rest unread for the
  // next check.
  void readAll(const std::vector<mail::IncomingMessage>& messages,
               const std::function<void(std::size_t i, bool handled)>& after);
  // The messages no filter claimed and no other rule read.
  const UnclaimedMessages& unclaimed() const { return m_unclaimed; }

 private:
  // Builds the address indexes the messages are looked up in. Reads the table only, so it may
  // run on the transfer thread while the table is locked against changes.
  void prepareIndexes();
  // Confirmations and opt-outs, decided before any sign-up rule; true when the message was one.
  bool takenBeforeRules(const mail::IncomingMessage& message, const MessageView& view);
  void kitConfirmation(const mail::IncomingMessage& message, const store::FilterRecord& filter);
  bool replyConfirmation(const mail::IncomingMessage& message);
  // A sign-up whose address fails the intake check is logged in the error log, not captured;
  // one that is suppressed is logged and dropped;
  // one that needs confirmation waits in the pending file; an opted-out subscriber is made
  // active again only without confirmation.
  void capture(const mail::IncomingMessage& message, const store::FilterRecord& filter);
  // A delivery report or a sign-up read again; true when either handled the message.
  bool notASignUp(const mail::IncomingMessage& message, bool automatic, bool alreadySubscribed);
  // A mail program's opt-out switches its sender off; the web kit's names the address in its
  // body and counts only with that address's token.
  void optOut(const mail::IncomingMessage& message, const store::FilterRecord& filter);
  // Whether a suppressed address keeps a sign-up out: a sign-up mailed from the address itself
  // lifts an entry that a bounce or an import made.
  bool suppressedAtCapture(const store::SubscriberData& data, const mail::IncomingMessage& message,
                           const store::FilterRecord& filter);
  void logSwitchOff(store::Position p, std::string_view reason,
                    const mail::IncomingMessage& message);

  EngineContext& m_context;
  FilterMatcher m_matcher;
  SubscriberIndex m_exact;
  SubscriberIndex m_folded;
  DeactivationLog m_deactivationLog;
  BounceHandler m_bounces;
  UnclaimedMessages m_unclaimed;
  ConfirmationDesk m_desk;
  std::string m_kitSender;
  consent::SuppressionList m_suppressed;
};

// The subscriber a sign-up message makes: address, name and personal fields from the form
// markers or extract keys, else the sender's name and address.
store::SubscriberData newSubscriber(store::ErrorTrap& trap, const mail::IncomingMessage& message,
                                    const store::FilterRecord& filter, const store::Date& today,
                                    std::string_view delimiter);

}  // namespace tidewell::engine
