#pragma once
// The addresses by which a subscriber leaves a list: the web kit's opt-out page (personal, with
// the subscriber's token), a mailto: that makes the subscriber's own mail program send the
// opt-out message, and the List-Id that names the list. Stateless.
#include <string>
#include <string_view>

namespace tidewell::engine {

// "o.php?t=<list>&f=<addressPart>&s=<title>&c=o": list and title percent-encoded, addressPart
// inserted as given (a placeholder, or an address the caller encoded).
std::string optOutQuery(std::string_view listAddress, std::string_view addressPart,
                        std::string_view filterTitle);

// The kit's opt-out address of one subscriber, token included; empty without a kit address or
// a secret.
std::string personalOptOutUrl(std::string_view kitAddress, std::string_view secretHex,
                              std::string_view listAddress, std::string_view address,
                              std::string_view filterTitle);

// The address the kit's pages send from: "webkit@" and the kit's host without a leading "www.";
// the list address when there is no kit address.
std::string kitSenderAddress(std::string_view kitAddress, std::string_view listAddress);

// mailto:<list>?subject=<title>&body=@@@<optout>, percent-encoded.
std::string optOutMailto(std::string_view listAddress, std::string_view filterTitle,
                         std::string_view optout);

// "<title>" <slug.list-domain>: the title as a quoted phrase (control characters dropped), the
// slug its letters and digits in lower case with "-" between words.
std::string listIdOf(std::string_view filterTitle, std::string_view listAddress);

}  // namespace tidewell::engine
