#pragma once
// Messages that never sign anybody up, whatever a filter's rules say: delivery reports, the
// list's own messages and the web kit's messages other than its sign-ups. Decided before the
// rules are asked, so a rule that happens to match a report or the kit's opt-out can never make
// a system address a subscriber. Stateless.
#include <optional>
#include <string>
#include <string_view>

#include "mail/mail_message.h"

namespace tidewell::engine {

// Why the message is no sign-up ("delivery report", "the list's own message", "a message of
// the web kit"); nothing when the rules may read it.
std::optional<std::string> neverSignUpReason(const mail::IncomingMessage& message,
                                             std::string_view listAddress,
                                             std::string_view kitSender);

}  // namespace tidewell::engine
