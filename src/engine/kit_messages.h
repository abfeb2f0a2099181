#pragma once
// What the engine reads out of the messages the web kit sends, and the auto-reply test that
// keeps an out-of-office answer from ever counting as a sign-up or an opt-out. Stateless.
#include <optional>
#include <string>
#include <string_view>

namespace tidewell::engine {

// The opt-out the kit's opt-out page sends: the body carries "@@@email@@@=address=@@@email@@@"
// and "@@@k@@@=token=@@@k@@@". Absent when the email marker is not there (a mail program's
// opt-out, which stands for its sender).
struct KitOptOut {
  std::string address;
  std::string token;
};
std::optional<KitOptOut> kitOptOutOf(std::string_view body);

// The confirmation the kit's confirmation page sends: "@@@confirm@@@=address=@@@confirm@@@"
// and "@@@k@@@=token=@@@k@@@", subject the filter title.
struct KitConfirmation {
  std::string address;
  std::string token;
};
std::optional<KitConfirmation> kitConfirmationOf(std::string_view body);

// Whether the message's header says it was sent automatically (RFC 3834: an Auto-Submitted
// field with any value other than "no").
bool isAutoSubmitted(std::string_view fullText);

}  // namespace tidewell::engine
