#pragma once
// Text helpers of the delivery-report reader: the mail addresses in a text and the stretch of
// text that belongs to each, the header fields of a message by name, and the cut where a report
// starts quoting the returned message. Stateless; texts are lower case (foldAscii).
#include <string>
#include <string_view>
#include <vector>

#include "mail/mail_message.h"

namespace tidewell::engine {

struct AddressAt {
  std::string address;
  std::size_t position;
};

// Every mail address in the text, in order (one entry per occurrence).
std::vector<AddressAt> addressesIn(std::string_view text);

// The address in a report field value: "rfc822; user@host", "<user@host>" or "user@host";
// empty when the value holds no mail address (an X.400 or rewritten address).
std::string addressOfField(std::string_view value);

// The text up to where the report starts quoting the message it returns.
std::string_view beforeReturnedMessage(std::string_view folded);

// For each address, the text from the start of its first line up to the line of the next
// other address (at most a few lines' worth): the server's words about that address.
std::string_view textAbout(std::string_view folded, const std::vector<AddressAt>& found,
                           std::string_view address);

// The value of the first header field with this name (any letter case), or empty.
std::string headerValue(const std::vector<mail::HeaderField>& headers, std::string_view name);

// The addresses of every header field with this name, lower case.
std::vector<std::string> headerAddresses(const std::vector<mail::HeaderField>& headers,
                                         std::string_view name);

// Markup removed from an HTML text, block ends kept as line ends.
std::string withoutMarkup(std::string_view html);

}  // namespace tidewell::engine
