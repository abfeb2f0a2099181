#include "mail/smtp_reply.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tidewell::mail {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isLetter(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// "rate" as a word of its own ("rate limit", "ratelimited"), not inside "generated".
bool namesRate(const std::string& text) {
  for (std::size_t at = text.find("rate"); at != std::string::npos;
       at = text.find("rate", at + 1)) {
    if (at == 0 || !isLetter(text[at - 1])) return true;
  }
  return false;
}

bool namesSendingLimit(const std::string& text) {
  return text.find("quota") != std::string::npos || text.find("too many") != std::string::npos ||
         namesRate(text);
}

bool saysAddressIsUnknown(const std::string& text) {
  static constexpr std::array<std::string_view, 6> kTexts = {
      "user unknown",   "unknown user",      "no such user",
      "does not exist", "unknown recipient", "mailbox not found"};
  return std::any_of(kTexts.begin(), kTexts.end(),
                     [&](std::string_view t) { return text.find(t) != std::string::npos; });
}

// Codes that name the sender's own sending limit whatever their text says.
bool isLimitCode(int code, const std::string& status) {
  struct Limit {
    int code;
    std::string_view status;
  };
  static constexpr std::array<Limit, 5> kLimits = {
      {{450, "4.2.1"}, {451, "4.2.1"}, {452, "4.5.3"}, {550, "5.4.5"}, {554, "5.2.0"}}};
  return code == 421 || std::any_of(kLimits.begin(), kLimits.end(), [&](const Limit& l) {
           return l.code == code && l.status == status;
         });
}

}  // namespace

std::string enhancedStatus(std::string_view text) {
  std::size_t at = 0;
  if (text.size() >= 4 && isDigit(text[0]) && isDigit(text[1]) && isDigit(text[2]) &&
      (text[3] == ' ' || text[3] == '-')) {
    at = 4;
  }
  while (at < text.size() && text[at] == ' ') ++at;
  // class "." subject "." detail: one digit, then 1 to 3 digits twice.
  if (at >= text.size() || (text[at] != '2' && text[at] != '4' && text[at] != '5')) return {};
  std::size_t end = at + 1;
  for (int part = 0; part < 2; ++part) {
    if (end >= text.size() || text[end] != '.') return {};
    std::size_t digits = 0;
    while (++end < text.size() && isDigit(text[end]) && digits < 3) ++digits;
    if (digits == 0) return {};
  }
  if (end < text.size() && (isDigit(text[end]) || text[end] == '.')) return {};
  return std::string(text.substr(at, end - at));
}

SmtpReplyClass classifySmtpReply(const SmtpReply& reply) {
  if (reply.connectionFailed) return SmtpReplyClass::kPause;
  const std::string text = lowered(reply.text);
  const std::string status = enhancedStatus(reply.text);
  // A full mailbox is the recipient's quota, not the sender's.
  const bool mailboxFull = status.size() > 1 && status.substr(1) == ".2.2";
  if (reply.code >= 400 && reply.code < 600 &&
      (isLimitCode(reply.code, status) || (!mailboxFull && namesSendingLimit(text)))) {
    return SmtpReplyClass::kPause;
  }
  if (reply.code >= 400 && reply.code < 500) return SmtpReplyClass::kRetryLater;
  if (reply.code >= 500 && reply.code < 600) {
    if (status.rfind("5.1.", 0) == 0) return SmtpReplyClass::kPermanentBounce;
    if ((status.empty() || status == "5.0.0") && saysAddressIsUnknown(text))
      return SmtpReplyClass::kPermanentBounce;
  }
  return SmtpReplyClass::kRefused;
}

}  // namespace tidewell::mail
