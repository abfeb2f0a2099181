#pragma once
// The message that asks a person to confirm a sign-up: from the filter's "confirmfile" (a
// message file; a first line "Subject: ..." gives the subject) or a short built-in text,
// personalised like a newsletter plus ~confirmurl~ (the kit's confirmation page) and
// ~confirmcode~. Its subject always carries the code, so a plain reply confirms. Stateless.
#include <string>
#include <string_view>

#include "consent/pending_signups.h"
#include "mail/mail_message.h"
#include "store/campaign_properties.h"
#include "store/filter_record.h"

namespace tidewell::engine {

struct ConfirmationText {
  std::string name;  // the message file's path, or "built-in"
  std::string subject;
  std::string body;
  bool html = false;
  std::string sha256;  // of the file as it was read, or of the built-in text
};

// Raises TrapError when the filter's confirmfile cannot be read.
ConfirmationText confirmationTextOf(const store::FilterRecord& filter, std::string_view delimiter);

// The kit's confirmation page for the address: c.php with the list, address, filter title and
// the confirmation token; empty without a kit address or secret.
std::string confirmationUrl(std::string_view kitAddress, std::string_view secretHex,
                            std::string_view listAddress, std::string_view address,
                            std::string_view filterTitle);

mail::OutgoingMessage confirmationMessage(const consent::PendingSignup& signup,
                                          const store::FilterRecord& filter,
                                          const ConfirmationText& text,
                                          const store::CampaignProperties& settings,
                                          std::string_view delimiter, bool reminder);

}  // namespace tidewell::engine
