#pragma once
// The opt-out link for the footer of newsletters: it points to the opt-out service, which sends
// the list's mailbox a message the engine reads as an opt-out request. Stateless.
#include <string>
#include <string_view>

namespace tidewell::editor {

inline constexpr std::string_view kOptOutServicePage = "https://forms.tidewell.net/o.php";

// page?t=<list address>&f=<delimiter>email<delimiter>&s=<filter title>&c=o, every value
// percent-encoded except the e-mail placeholder, which sending personalises.
std::string optOutLink(std::string_view listAddress, std::string_view filterTitle,
                       std::string_view delimiter);

}  // namespace tidewell::editor
