#include "engine/bounce_class.h"

#include <array>
#include <cctype>

namespace tidewell::engine {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

template <std::size_t N>
bool hasAny(std::string_view text, const std::array<std::string_view, N>& needles) {
  for (std::string_view needle : needles) {
    if (text.find(needle) != std::string_view::npos) return true;
  }
  return false;
}

constexpr std::array<std::string_view, 16> kPolicyTexts = {
    "spam",       "blocked",  "blacklist", "block list", "blocklist", "reputation",
    "dmarc",      "spf",      "dkim",      "policy",     "spamhaus",  "junk mail",
    "denylisted", "denylist", "listed at", "banned"};

constexpr std::array<std::string_view, 12> kQuotaTexts = {
    "mailbox full",      "mailbox is full",  "quota",        "insufficient storage",
    "storage exceeded",  "exceeded storage", "mailbox size", "disk full",
    "postfach ist voll", "postfach voll",    "boite pleine", "buzon lleno"};

constexpr std::array<std::string_view, 44> kGoneTexts = {"user unknown",
                                                         "unknown user",
                                                         "no such user",
                                                         "does not exist",
                                                         "doesn't exist",
                                                         "does not exists",
                                                         "unknown recipient",
                                                         "recipient unknown",
                                                         "no such recipient",
                                                         "invalid recipient",
                                                         "no mailbox",
                                                         "mailbox not found",
                                                         "mailbox unavailable",
                                                         "mailbox does not",
                                                         "no such mailbox",
                                                         "invalid mailbox",
                                                         "not listed in domino",
                                                         "not listed in public",
                                                         "user not found",
                                                         "unrouteable address",
                                                         "account has been disabled",
                                                         "account disabled",
                                                         "account is disabled",
                                                         "address unknown",
                                                         "addressee unknown",
                                                         "unknown address",
                                                         "couldn't be found",
                                                         "could not be found",
                                                         "recipnotfound",
                                                         "invalid address",
                                                         "bad destination",
                                                         "no longer active",
                                                         "no longer valid",
                                                         "not a valid user",
                                                         "user doesn't have",
                                                         "unbekannt",
                                                         "existiert nicht",
                                                         "inconnu",
                                                         "n'existe pas",
                                                         "desconocido",
                                                         "no existe",
                                                         "sconosciuto",
                                                         "non esiste",
                                                         "no such person"};

constexpr std::array<std::string_view, 10> kPassingTexts = {"delayed",
                                                            "will retry",
                                                            "try again",
                                                            "temporar",
                                                            "deferred",
                                                            "still trying",
                                                            "not yet been delivered",
                                                            "will continue",
                                                            "could not send message for past",
                                                            "retry timeout"};

// An enhanced code starts at pos: class digit, '.', 1-3 digits, '.', 1-3 digits.
std::size_t enhancedCodeLength(std::string_view t, std::size_t pos) {
  char first = t[pos];
  if (first != '2' && first != '4' && first != '5') return 0;
  std::size_t i = pos + 1;
  for (int part = 0; part < 2; ++part) {
    if (i >= t.size() || t[i] != '.') return 0;
    std::size_t digits = 0;
    for (++i; i < t.size() && isDigit(t[i]) && digits < 4; ++i) ++digits;
    if (digits == 0 || digits > 3) return 0;
  }
  if (i < t.size() && (isDigit(t[i]) || (t[i] == '.' && i + 1 < t.size() && isDigit(t[i + 1]))))
    return 0;
  return i - pos;
}

bool standsAlone(std::string_view t, std::size_t pos) {
  return pos == 0 || !(isDigit(t[pos - 1]) || t[pos - 1] == '.');
}

std::string replyCode(std::string_view t) {
  for (std::size_t i = 0; i + 3 <= t.size(); ++i) {
    if ((t[i] == '4' || t[i] == '5') && isDigit(t[i + 1]) && isDigit(t[i + 2]) &&
        standsAlone(t, i) && (i + 3 == t.size() || !(isDigit(t[i + 3]) || t[i + 3] == '.'))) {
      return std::string(t.substr(i, 3));
    }
  }
  return {};
}

BounceClass byText(std::string_view text) {
  if (hasAny(text, kQuotaTexts)) return BounceClass::kTemporary;
  if (hasAny(text, kPolicyTexts)) return BounceClass::kPolicy;
  if (hasAny(text, kGoneTexts)) return BounceClass::kPermanent;
  if (hasAny(text, kPassingTexts)) return BounceClass::kTemporary;
  return BounceClass::kUnknown;
}

BounceClass byEnhancedCode(std::string_view s, std::string_view text) {
  auto starts = [&](std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; };
  if (s[0] == '4' || starts("5.2.2")) return BounceClass::kTemporary;
  if (s[0] != '5') return BounceClass::kUnknown;
  if (starts("5.7.")) return BounceClass::kPolicy;
  if (starts("5.1.") || starts("5.2.1")) return BounceClass::kPermanent;
  // A refusal worded as spam or a block is the sender's problem, whatever the code says.
  if (hasAny(text, kPolicyTexts)) return BounceClass::kPolicy;
  if (starts("5.3.") || starts("5.5.")) return BounceClass::kPermanent;
  if (hasAny(text, kQuotaTexts)) return BounceClass::kTemporary;
  if (hasAny(text, kGoneTexts)) return BounceClass::kPermanent;
  return BounceClass::kUnknown;
}

}  // namespace

std::string_view bounceClassName(BounceClass c) {
  switch (c) {
    case BounceClass::kPermanent:
      return "permanent";
    case BounceClass::kTemporary:
      return "temporary";
    case BounceClass::kPolicy:
      return "policy";
    case BounceClass::kAutoReply:
      return "auto-reply";
    case BounceClass::kUnknown:
      break;
  }
  return "unknown";
}

std::string foldAscii(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string findStatusCode(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!standsAlone(text, i) && text[i - 1] != '#') continue;
    if (std::size_t n = enhancedCodeLength(text, i)) return std::string(text.substr(i, n));
  }
  return replyCode(text);
}

BounceClass classifyFailure(std::string_view status, std::string_view foldedText, bool delayed) {
  if (delayed) return BounceClass::kTemporary;
  if (status.size() > 3 && status[1] == '.') return byEnhancedCode(status, foldedText);
  if (!status.empty() && status[0] == '4') return BounceClass::kTemporary;
  return byText(foldedText);
}

}  // namespace tidewell::engine
