#pragma once
// The check every address taken in passes (typed, imported or captured from a sign-up): one
// mailbox, local part "@" domain, that can go into an SMTP envelope and a header unchanged.
// Stored subscribers are never checked on loading. Stateless.
#include <optional>
#include <string>
#include <string_view>

namespace tidewell::store {

// What the operator is told when an address is refused.
inline constexpr std::string_view kInvalidAddressMessage = "Invalid Email Address!";

// Why the text is no address, in a few words ("has no \"@\"", "holds a blank", ...), or
// nothing when it is one: exactly one "@" outside a quoted local part; a local part that is
// either quoted or free of blanks, control characters, "<", ">", ",", quotes and "@"; a domain
// of two or more non-empty dot-separated labels with none of those characters.
std::optional<std::string> addressProblem(std::string_view address);

// For reports and logs: the message, the address in quotes (control characters shown as "?",
// cut after 200 characters) and its problem; nothing when the address passes.
std::optional<std::string> invalidAddressReason(std::string_view address);

}  // namespace tidewell::store
