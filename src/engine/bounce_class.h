#pragma once
// What a delivery failure means for the address: gone for good, a passing problem, a refusal of
// the sender or the content, an automatic answer, or nothing that can be told. Decided from the
// status code and the server's text; stateless.
#include <string>
#include <string_view>

namespace tidewell::engine {

enum class BounceClass { kPermanent, kTemporary, kPolicy, kAutoReply, kUnknown };

// "permanent", "temporary", "policy", "auto-reply", "unknown".
std::string_view bounceClassName(BounceClass c);

// The first status code in a text: an enhanced code ("5.1.1", also "#5.1.1") if there is one,
// else a three-digit SMTP reply code (4xx or 5xx); empty when there is none.
std::string findStatusCode(std::string_view text);

// The class of one recipient's failure. status is the report's status code (may be empty);
// foldedText the server's words in lower case (ASCII); delayed when the report says the
// message is still being tried.
BounceClass classifyFailure(std::string_view status, std::string_view foldedText, bool delayed);

// Lower-case ASCII letters, everything else kept: the form classifyFailure reads.
std::string foldAscii(std::string_view text);

}  // namespace tidewell::engine
