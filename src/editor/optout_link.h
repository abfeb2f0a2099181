#pragma once
// The opt-out link for the footer of newsletters: it points to the web kit's opt-out page,
// which sends the list's mailbox a message the engine reads as an opt-out request. Stateless.
#include <string>
#include <string_view>

namespace tidewell::editor {

// <kit>o.php?t=<list address>&f=<d>email<d>&s=<filter title>&c=o&k=<d>optoutkey<d> (d the
// field delimiter), every value percent-encoded except the placeholders, which sending fills
// for each subscriber.
std::string optOutLink(std::string_view kitAddress, std::string_view listAddress,
                       std::string_view filterTitle, std::string_view delimiter);

}  // namespace tidewell::editor
