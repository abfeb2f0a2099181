#include "engine/newsletter_preview.h"

#include "engine/newsletter_table.h"
#include "engine/outgoing_mail.h"
#include "store/profile_document.h"
#include "store/text.h"

namespace tidewell::engine {

NewsletterPreview previewNewsletter(EngineContext& context, int blockIndex, store::Position p) {
  NewsletterPreview preview;
  auto& table = context.table;
  if (table.isEmpty() || p >= table.size() || table.record(p).isDeleted()) {
    preview.problem = "No subscriber to show the newsletter for";
    return preview;
  }
  NewsletterTable newsletters =
      f_load_newsletters(context.profile.load(), table.filterList(), context.trap);
  for (const auto& n : newsletters.newsletters) {
    if (n.blockIndex != blockIndex) continue;
    preview.title = n.title;
    preview.message = newsletterMessage(n, table, p, context.settings, table.displayName(p),
                                        context.fieldDelimiter);
    return preview;
  }
  preview.problem =
      "The newsletter cannot be made: it has no list assigned, or its message file is missing";
  return preview;
}

std::optional<store::Position> previewSubscriber(const store::SubscriberTable& table,
                                                 std::string_view address, std::string_view list) {
  if (table.isEmpty()) return std::nullopt;
  std::optional<store::Position> found;
  for (store::Position p = 0; p < table.size(); ++p) {
    const auto& record = table.record(p);
    if (record.isDeleted()) continue;
    bool ownList = table.filterTitle(p) == list;
    bool match = address.empty() ? ownList && table.active(p) == "true"
                                 : store::equalsIgnoreCase(record.email(), address);
    if (!match) continue;
    if (ownList) return p;
    if (!found) found = p;
  }
  return found;
}

mail::OutgoingMessage testCopy(mail::OutgoingMessage message, std::string_view to) {
  message.toAddress = std::string(to);
  message.listUnsubscribePost.clear();
  message.envelopeSender.clear();
  return message;
}

bool sendTestCopy(EngineContext& context, mail::MailClient& client,
                  const mail::OutgoingMessage& message, std::string& problem) {
  int result = 0;
  bool settingsRead = context.trap.run(store::Procedure{"SendTest"}, [&] {
    mail::SmtpSettings smtp = smtpSettingsOf(context.settings, context.caFile);
    context.runner.run([&] {
      client.setSmtp(smtp);
      result = client.send(message);
      if (result != mail::kSendAccepted) problem = client.lastError();
      client.endSmtpSession();
    });
  });
  if (!settingsRead) problem = "the server settings cannot be read";
  return result == mail::kSendAccepted;
}

std::string testAddressOf(const store::CampaignProperties& settings) {
  for (const std::string* address : {&settings.from_reply_address, &settings.from_email}) {
    if (*address != store::kAbsent && !store::trim(*address).empty()) {
      return std::string(store::trim(*address));
    }
  }
  return {};
}

}  // namespace tidewell::engine
