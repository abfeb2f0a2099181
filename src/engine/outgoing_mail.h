#pragma once
// Turns the profile's server settings into the mail client's settings and a newsletter into the
// message for one subscriber. Stateless.
#include "engine/newsletter_table.h"
#include "mail/mail_message.h"
#include "mail/mail_settings.h"
#include "store/campaign_properties.h"
#include "store/subscriber_table.h"

namespace tidewell::engine {

// Raise when the port is not a number.
mail::PopSettings popSettingsOf(const store::CampaignProperties& settings,
                                const std::string& caFile);
mail::SmtpSettings smtpSettingsOf(const store::CampaignProperties& settings,
                                  const std::string& caFile);

// The newsletter personalised for subscriber p, from the profile's address with senderName.
mail::OutgoingMessage newsletterMessage(const NewsletterRecord& newsletter,
                                        const store::SubscriberTable& table, store::Position p,
                                        const store::CampaignProperties& settings,
                                        std::string_view senderName, std::string_view delimiter);

}  // namespace tidewell::engine
