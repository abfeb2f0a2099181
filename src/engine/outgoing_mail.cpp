#include "engine/outgoing_mail.h"

#include <charconv>

#include "engine/optout_token.h"
#include "engine/personalisation.h"
#include "engine/verp_tag.h"
#include "engine/web_kit_links.h"
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

mail::OAuthLogin oauthLoginOf(const store::OAuthAccount& account) {
  mail::OAuthLogin login;
  login.enabled = true;
  login.mechanism = account.mechanism;
  login.tokenUrl = account.token_url;
  login.clientId = account.client_id;
  login.clientSecret = account.client_secret;
  login.refreshToken = account.refresh_token;
  return login;
}

std::string textOr(const std::string& value, const char* fallback) {
  std::string_view text = store::trim(value);
  return value == store::kAbsent || text.empty() ? fallback : std::string(text);
}

// A keyword is an IMAP atom: no blanks, brackets, wildcards, quotes or controls.
bool isKeyword(const std::string& name) {
  if (name.size() < 2 || name[0] != '$') return false;
  for (unsigned char c : name) {
    if (c <= ' ' || c >= 0x7f || std::string_view("(){]%*\"").find(c) != std::string::npos)
      return false;
  }
  return true;
}

void setImap(const store::CampaignProperties& settings, mail::PopSettings& pop) {
  pop.imap = true;
  pop.port = settings.imap_port == store::kAbsent || store::trim(settings.imap_port).empty()
                 ? (pop.ssl ? store::kDefaultImapsPort : store::kDefaultImapPort)
                 : portNumber(settings.imap_port, "IMAP");
  pop.imapFolder = textOr(settings.imap_folder, store::kDefaultImapFolder);
  const std::string done = textOr(settings.imap_done, store::kDefaultImapDone);
  const bool move = store::equalsIgnoreCase(settings.delete_after_checking, "true");
  if (done[0] != '$') {
    pop.doneFolder = done;
  } else if (!isKeyword(done)) {
    store::raise(store::ErrorNumber::kBadArgument,
                 "IMAP keyword for handled messages is not usable: " + done);
  } else {
    pop.doneKeyword = done;
    // "Delete" moves them out of the way, into the folder the keyword names.
    if (move) pop.doneFolder = done.substr(1);
  }
  // Moving them into the folder that is read would hand them out again under new UIDs.
  if (pop.doneFolder == pop.imapFolder) {
    pop.doneFolder.clear();
    if (pop.doneKeyword.empty()) pop.doneKeyword = store::kDefaultImapDone;
  }
}

}  // namespace

mail::PopSettings popSettingsOf(const store::CampaignProperties& settings,
                                const std::string& caFile) {
  mail::PopSettings pop;
  pop.host = textOf(settings.pop3);
  if (!settings.imap) pop.port = portNumber(settings.pop_port, "Pop3");
  pop.user = textOf(settings.account);
  pop.password = settings.password;
  pop.ssl = settings.POPSSL != 0;
  pop.spa = settings.POPSPA != 0;
  pop.timeoutSeconds = settings.server_timeout;
  pop.caFile = caFile;
  pop.pinnedCertificate = settings.pop_certificate;
  if (settings.pop_oauth2) pop.oauth = oauthLoginOf(settings.pop_oauth);
  if (settings.imap) setImap(settings, pop);
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
  // An OAuth2 sign-in always logs in, as the POP3 account unless a separate one is set.
  if (settings.smtp_oauth2 && smtp.authentication == 0) smtp.authentication = 1;
  if (smtp.authentication == 1) {
    smtp.user = textOf(settings.account);
    smtp.password = settings.password;
  } else if (smtp.authentication == 2) {
    smtp.user = textOf(settings.smtp_account);
    smtp.password = settings.smtp_password;
  }
  smtp.timeoutSeconds = settings.server_timeout;
  smtp.caFile = caFile;
  smtp.pinnedCertificate = settings.smtp_certificate;
  if (settings.smtp_oauth2) smtp.oauth = oauthLoginOf(settings.smtp_oauth);
  return smtp;
}

namespace {

// List-Unsubscribe (the kit's one-click address first when there is a kit, then the mailto:),
// List-Unsubscribe-Post with the kit, List-Id; the personal opt-out values for the body.
std::vector<ExtraValue> addListHeaders(mail::OutgoingMessage& message,
                                       const store::SubscriberTable& table, store::Position p,
                                       const store::CampaignProperties& settings) {
  std::string title(table.filterTitle(p));
  std::string list = textOf(settings.from_email);
  const store::FilterRecord* filter = store::findFilter(table.filterList(), title);
  std::string optout = filter ? textOf(filter->optout) : std::string();
  std::string url =
      personalOptOutUrl(settings.webkit, settings.webkitkey, list, message.toAddress, title);
  std::string mailto = optOutMailto(list, title, optout);
  message.listUnsubscribe = url.empty() ? "<" + mailto + ">" : "<" + url + ">, <" + mailto + ">";
  if (!url.empty()) message.listUnsubscribePost = "List-Unsubscribe=One-Click";
  message.listId = listIdOf(title, list);
  return {{"optoutkey", optOutToken(settings.webkitkey, message.toAddress, title)},
          {"optouturl", url.empty() ? mailto : url}};
}

}  // namespace

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
  std::vector<ExtraValue> personal = addListHeaders(message, table, p, settings);
  message.body = f_fill_fields("body", newsletter, fields, delimiter, personal);
  message.subject = f_fill_fields("subject", newsletter, fields, delimiter, personal);
  message.html = isHtmlMessage(newsletter);
  if (message.html)
    message.textAlternative = f_fill_fields("text", newsletter, fields, delimiter, personal);
  message.attachments = newsletter.attachments;
  if (settings.verp) message.envelopeSender = verpSender(message.fromAddress, message.toAddress);
  return message;
}

}  // namespace tidewell::engine
