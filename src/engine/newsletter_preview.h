#pragma once
// A newsletter as one subscriber will get it, made by the same code the sending pass uses, for
// the operator to look at or to mail to themself first. A test copy goes to another address and
// is never recorded: no sent list, no journal, no counters, no log line. Thread that owns the
// subscriber table.
#include <optional>
#include <string>
#include <string_view>

#include "engine/engine_context.h"
#include "mail/mail_message.h"

namespace tidewell::engine {

struct NewsletterPreview {
  mail::OutgoingMessage message;
  std::string title;    // the newsletter's
  std::string problem;  // why there is no message; empty when there is one
};

// The newsletter of this block index personalised for subscriber p, as the sending pass makes it.
NewsletterPreview previewNewsletter(EngineContext& context, int blockIndex, store::Position p);

// The subscriber with this address (letter case ignored), a record of `list` before any other;
// with an empty address the first active subscriber of list. Nothing when there is none.
std::optional<store::Position> previewSubscriber(const store::SubscriberTable& table,
                                                 std::string_view address, std::string_view list);

// The message sent to `to` in place of the subscriber. The one-click opt-out header is left out
// and bounces come back untagged, so nothing done with the copy can reach the subscriber.
mail::OutgoingMessage testCopy(mail::OutgoingMessage message, std::string_view to);

// Sends a test copy through the client on the transfer runner; the server's reason in problem
// when it was not accepted.
bool sendTestCopy(EngineContext& context, mail::MailClient& client,
                  const mail::OutgoingMessage& message, std::string& problem);

// The address a test goes to when the operator names none: the reply address, else the
// profile's own.
std::string testAddressOf(const store::CampaignProperties& settings);

}  // namespace tidewell::engine
