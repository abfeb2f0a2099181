#include "engine/confirmation_mail.h"

#include <filesystem>

#include "consent/confirmation_code.h"
#include "engine/optout_token.h"
#include "engine/placeholder_substitution.h"
#include "engine/web_kit_links.h"
#include "store/error.h"
#include "store/pmf_string.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::engine {

namespace {

std::string textOf(const std::string& value) {
  return value == store::kAbsent ? std::string() : value;
}

std::string placeholder(std::string_view delimiter, std::string_view name) {
  return std::string(delimiter) + std::string(name) + std::string(delimiter);
}

ConfirmationText builtInText(const store::FilterRecord& filter, std::string_view d) {
  ConfirmationText text;
  text.name = "built-in";
  text.subject = "Please confirm: " + filter.title;
  text.body = "Hello,\r\n\r\nsomebody, most likely you, asked to receive " + filter.title + " at " +
              placeholder(d, "email") +
              ".\r\n\r\nNothing will be sent to you unless you confirm. " +
              placeholder(d, "confirmhow") +
              "\r\n\r\nIf you did not ask for this, ignore this message: you will not hear from "
              "us again.\r\n";
  text.sha256 = consent::sha256Hex(text.subject + "\n" + text.body);
  return text;
}

bool looksLikeHtml(std::string_view path, std::string_view body) {
  std::string extension = store::toUpperAscii(std::filesystem::path(path).extension().string());
  if (extension == ".HTM" || extension == ".HTML") return true;
  std::size_t first = body.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return false;
  return store::startsWithIgnoreCase(body.substr(first), "<html") ||
         store::startsWithIgnoreCase(body.substr(first), "<!doctype");
}

}  // namespace

ConfirmationText confirmationTextOf(const store::FilterRecord& filter, std::string_view delimiter) {
  std::string file = textOf(filter.confirmfile);
  if (store::trim(file).empty()) return builtInText(filter, delimiter);
  ConfirmationText text;
  text.name = file;
  std::string content = store::readTextFile(file);
  text.sha256 = consent::sha256Hex(content);
  text.subject = "Please confirm: " + filter.title;
  text.body = content;
  if (store::startsWithIgnoreCase(content, "Subject:")) {
    std::size_t end = content.find('\n');
    std::string_view first = std::string_view(content).substr(0, end);
    text.subject = std::string(store::trim(first.substr(8)));
    text.body = end == std::string::npos ? std::string() : content.substr(end + 1);
  }
  text.html = looksLikeHtml(file, text.body);
  return text;
}

std::string confirmationUrl(std::string_view kitAddress, std::string_view secretHex,
                            std::string_view listAddress, std::string_view address,
                            std::string_view filterTitle) {
  std::string token = confirmationToken(secretHex, address, filterTitle);
  if (kitAddress.empty() || token.empty()) return {};
  return std::string(kitAddress) + "c.php?t=" + store::percentEncode(listAddress) +
         "&f=" + store::percentEncode(address) + "&s=" + store::percentEncode(filterTitle) +
         "&k=" + token;
}

mail::OutgoingMessage confirmationMessage(const consent::PendingSignup& signup,
                                          const store::FilterRecord& filter,
                                          const ConfirmationText& text,
                                          const store::CampaignProperties& settings,
                                          std::string_view delimiter, bool reminder) {
  std::string list = textOf(settings.from_email);
  std::string url = signup.linkAllowed ? confirmationUrl(settings.webkit, settings.webkitkey, list,
                                                         signup.address, filter.title)
                                       : std::string();
  std::string how = url.empty()
                        ? "To confirm, reply to this message and keep its subject as it is."
                        : "To confirm, open this link and press the Confirm button:\r\n" + url +
                              "\r\n\r\nOr reply to this message and keep its subject as it is.";
  if (text.html) how = "<p>" + how + "</p>";
  store::UnpackedPmf unpacked;
  store::unpackPmf(signup.pmf, unpacked);
  auto lookup = [&](std::string_view name) -> std::string {
    if (name == "confirmurl") return url;
    if (name == "confirmcode") return signup.code;
    if (name == "confirmhow") return how;
    if (name == "email") return signup.address;
    if (name == "title") return filter.title;
    std::string value;
    for (const store::PmfItem& item : unpacked.items) {
      if (item.name == name) value = std::string(item.value);
    }
    return value;
  };
  mail::OutgoingMessage message;
  message.toName = signup.name;
  message.toAddress = signup.address;
  message.fromName = textOf(filter.displayname);
  message.fromAddress = list;
  // The reply that confirms must reach the mailbox the engine reads.
  message.replyTo = list;
  message.subject = substitutePlaceholders(text.subject, delimiter, NameComparison::kExact, lookup);
  if (!consent::subjectHoldsCode(message.subject, signup.code))
    message.subject += " [" + signup.code + "]";
  if (reminder) message.subject = "Reminder: " + message.subject;
  message.body = substitutePlaceholders(text.body, delimiter, NameComparison::kExact, lookup);
  message.html = text.html;
  message.listId = listIdOf(filter.title, list);
  return message;
}

}  // namespace tidewell::engine
