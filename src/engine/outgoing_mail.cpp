#include "engine/outgoing_mail.h"

#include <charconv>

#include "engine/personalisation.h"
#include "engine/verp_tag.h"
#include "store/error.h"
#include "store/profile_document.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

int portNumber(std::string_view text, std::string_view what) {
  std::string_view digits = store::trim(text);
  int port = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (error != std::errc() || end != digits.data() + digits.size() || port <= 0 || port > 65535) {
    store::raise(store::ErrorNumber::kTypeMismatch,
                 std::string(what) + " port is not a number: " + std::string(text));
  }
  return port;
}

std::string textOf(const std::string& value) {
  return value == store::kAbsent ? "" : value;
}

}  // namespace

mail::PopSettings popSettingsOf(const store::CampaignProperties& settings,
                                const std::string& caFile) {
  mail::PopSettings pop;
  pop.host = textOf(settings.pop3);
  pop.port = portNumber(settings.pop_port, "Pop3");
  pop.user = textOf(settings.account);
  pop.password = settings.password;
  pop.ssl = settings.POPSSL != 0;
  pop.spa = settings.POPSPA != 0;
  pop.timeoutSeconds = settings.server_timeout;
  pop.caFile = caFile;
  return pop;
}

mail::SmtpSettings smtpSettingsOf(const store::CampaignProperties& settings,
                                  const std::string& caFile) {
  mail::SmtpSettings smtp;
  smtp.host = textOf(settings.smtp);
  smtp.port = portNumber(settings.smtp_port, "SMTP");
  smtp.ssl = settings.SMTPSSL != 0;
  smtp.spa = settings.SMTPSPA != 0;
  smtp.authentication = settings.ServerAuthentication;
  if (smtp.authentication == 1) {
    smtp.user = textOf(settings.account);
    smtp.password = settings.password;
  } else if (smtp.authentication == 2) {
    smtp.user = textOf(settings.smtp_account);
    smtp.password = settings.smtp_password;
  }
  smtp.timeoutSeconds = settings.server_timeout;
  smtp.caFile = caFile;
  return smtp;
}

mail::OutgoingMessage newsletterMessage(const NewsletterRecord& newsletter,
                                        const store::SubscriberTable& table, store::Position p,
                                        const store::CampaignProperties& settings,
                                        std::string_view senderName, std::string_view delimiter) {
  store::FieldTable fields = table.personalFields(p);
  mail::OutgoingMessage message;
  message.toName = std::string(table.record(p).name());
  message.toAddress = std::string(table.record(p).email());
  // A display name never set reads as the absent marker: the message then shows the address alone.
  message.fromName = textOf(std::string(senderName));
  message.fromAddress = textOf(settings.from_email);
  message.replyTo = textOf(settings.from_reply_address);
  message.body = f_fill_fields("body", newsletter, fields, delimiter);
  message.subject = f_fill_fields("subject", newsletter, fields, delimiter);
  message.html = isHtmlMessage(newsletter);
  message.attachments = newsletter.attachments;
  if (settings.verp) message.envelopeSender = verpSender(message.fromAddress, message.toAddress);
  return message;
}

}  // namespace tidewell::engine
