#include "engine/delivery_report_reader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_set>

#include "engine/report_text.h"
#include "store/text.h"

namespace tidewell::engine {

namespace {

using Headers = std::vector<mail::HeaderField>;

// One message's readable parts: the outer message or one enclosed in it.
struct Parts {
  const Headers& headers;
  const std::string& body;
  const std::string& deliveryStatus;
};

struct Field {
  std::string name;  // lower case
  std::string value;
};
using FieldBlock = std::vector<Field>;

constexpr std::array<std::string_view, 6> kDaemonNames = {
    "mailer-daemon", "postmaster", "mail-daemon", "mailerdaemon", "mdaemon", "mail.delivery"};

constexpr std::array<std::string_view, 22> kReportSignatures = {
    "this is the qmail-send program",
    "this is the mail system at host",
    "the original message was received at",
    "had permanent fatal errors",
    "the following address(es) failed",
    "could not be delivered to",
    "delivery to the following recipient",
    "delivery has failed to these recipients",
    "did not reach some or all of the intended recipients",
    "was not delivered to:",
    "recipient(s) cannot be reached",
    "recipient(s) could not be reached",
    "message that you sent was undeliverable",
    "unable to deliver your message",
    "could not be delivered to one or more",
    "your message could not be delivered",
    "message could not be delivered",
    "created automatically by mail delivery software",
    "undeliverable to the following",
    "i wasn't able to deliver your message",
    "permanent error; i've given up",
    "delivery failed for the following"};

constexpr std::array<std::string_view, 11> kAutoReplySubjects = {
    "auto:",       "automatic reply", "autoreply",           "auto-reply",
    "auto reply",  "out of office",   "out of the office",   "vacation",
    "abwesenheit", "absence",         "away from the office"};

// Words of a report that says the message was not delivered (as against a delay warning).
constexpr std::array<std::string_view, 16> kNotDeliveredTexts = {"could not be delivered",
                                                                 "couldn't be delivered",
                                                                 "undeliverable",
                                                                 "was not delivered",
                                                                 "delivery failed",
                                                                 "delivery has failed",
                                                                 "permanent error",
                                                                 "permanent fatal",
                                                                 "i've given up",
                                                                 "wasn't able to deliver",
                                                                 "unable to deliver",
                                                                 "failed to deliver",
                                                                 "following address(es) failed",
                                                                 "not be delivered",
                                                                 "cannot be reached",
                                                                 "could not be reached"};

// Words of a warning that the message is still being tried.
constexpr std::array<std::string_view, 8> kDelayTexts = {
    "not yet been delivered", "still undelivered", "will continue", "will keep trying",
    "still trying",           "delivery delayed",  "will retry",    "warning message only"};

constexpr std::array<std::string_view, 5> kReturnPathHeaders = {
    "To", "Delivered-To", "X-Original-To", "Envelope-To", "X-Envelope-To"};

constexpr std::array<std::string_view, 9> kOwnHeaders = {
    "From",          "To",         "Cc", "Reply-To", "Sender", "Return-Path", "Delivered-To",
    "X-Original-To", "Envelope-To"};

// Report fields: one block per blank-line-separated group, continuation lines joined. The last
// field counts even without a line end.
std::vector<FieldBlock> fieldBlocks(std::string_view text) {
  std::vector<FieldBlock> blocks(1);
  for (const std::string& line : store::splitLines(text)) {
    if (store::trim(line).empty()) {
      if (!blocks.back().empty()) blocks.emplace_back();
    } else if ((line[0] == ' ' || line[0] == '\t') && !blocks.back().empty()) {
      blocks.back().back().value += " " + std::string(store::trim(line));
    } else if (std::size_t colon = line.find(':'); colon != std::string::npos) {
      blocks.back().push_back({foldAscii(store::trim(line.substr(0, colon))),
                               std::string(store::trim(line.substr(colon + 1)))});
    }
  }
  return blocks;
}

std::string fieldOf(const FieldBlock& block, std::string_view name) {
  for (const auto& f : block) {
    if (f.name == name) return f.value;
  }
  return {};
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

template <std::size_t N>
bool hasAny(std::string_view text, const std::array<std::string_view, N>& needles) {
  return std::any_of(needles.begin(), needles.end(),
                     [&](std::string_view n) { return text.find(n) != std::string_view::npos; });
}

void addRecipient(ReportReading& reading, RecipientStatus r) {
  for (const auto& known : reading.recipients) {
    if (known.address == r.address) return;
  }
  reading.recipients.push_back(std::move(r));
}

std::string foldedText(const std::string& body) {
  std::string folded = foldAscii(body);
  if (folded.find("<html") != std::string::npos || folded.find("<body") != std::string::npos) {
    return withoutMarkup(folded);
  }
  return folded;
}

// One recipient block of a standard report; nothing for a recipient delivered, relayed or
// expanded, or one whose address cannot be read.
std::optional<RecipientStatus> recipientOfBlock(const FieldBlock& block, std::string_view human) {
  std::string address = addressOfField(fieldOf(block, "final-recipient"));
  if (address.empty()) address = addressOfField(fieldOf(block, "original-recipient"));
  if (address.empty()) return std::nullopt;
  std::string action = foldAscii(fieldOf(block, "action"));
  if (startsWith(action, "delivered") || startsWith(action, "relayed") ||
      startsWith(action, "expanded")) {
    return std::nullopt;
  }
  std::string diagnostic = foldAscii(fieldOf(block, "diagnostic-code"));
  std::string status = findStatusCode(fieldOf(block, "status"));
  if (status.empty()) status = findStatusCode(diagnostic);
  if (startsWith(status, "2")) return std::nullopt;
  const bool delayed = startsWith(action, "delayed");
  RecipientStatus r{address, status, classifyFailure(status, diagnostic, delayed)};
  r.delayed = delayed;
  r.notDelivered = !delayed && (startsWith(action, "failed") || startsWith(status, "5"));
  if (r.bounceClass == BounceClass::kUnknown) {
    // The human-readable part may say what the fields do not.
    auto found = addressesIn(human);
    std::string_view about = textAbout(human, found, address);
    if (!about.empty()) r.bounceClass = classifyFailure(status, about, false);
  }
  return r;
}

void readStandardReport(const Parts& parts, std::string_view human, ReportReading& reading) {
  for (const FieldBlock& block : fieldBlocks(parts.deliveryStatus)) {
    if (auto r = recipientOfBlock(block, human)) {
      addRecipient(reading, std::move(*r));
    } else if (!fieldOf(block, "final-recipient").empty()) {
      reading.deliveredOnly = true;
    }
  }
  if (!reading.recipients.empty()) reading.deliveredOnly = false;
}

// Whether a report without report fields is a delay warning, and whether it says the message
// was not delivered.
void markDelivery(RecipientStatus& r, std::string_view human, bool failedHeader) {
  const bool failedText = failedHeader || hasAny(human, kNotDeliveredTexts);
  r.delayed = !failedText && hasAny(human, kDelayTexts);
  r.notDelivered = !r.delayed && (failedText || startsWith(r.status, "5"));
}

RecipientStatus namedRecipient(const std::string& address, std::string_view about,
                               std::string_view human, bool failedHeader) {
  std::string status = findStatusCode(about);
  RecipientStatus r{address, status, classifyFailure(status, about, false)};
  markDelivery(r, human, failedHeader);
  return r;
}

// The server's words about each named address, or the whole text when it names none of them.
void readNamedRecipients(const std::vector<std::string>& addresses, std::string_view human,
                         ReportReading& reading, bool failedHeader) {
  auto found = addressesIn(human);
  for (const std::string& address : addresses) {
    std::string_view about = textAbout(human, found, address);
    if (about.empty()) about = human;
    addRecipient(reading, namedRecipient(address, about, human, failedHeader));
  }
}

bool isDaemonAddress(std::string_view address) {
  std::string_view local = address.substr(0, address.find('@'));
  return std::any_of(kDaemonNames.begin(), kDaemonNames.end(),
                     [&](std::string_view d) { return local == d; });
}

// The report's own addresses and those of the list it went to, with and without a tag.
std::unordered_set<std::string> ownAddresses(const Headers& headers) {
  std::unordered_set<std::string> own;
  for (std::string_view name : kOwnHeaders) {
    for (std::string& a : headerAddresses(headers, name)) {
      std::size_t plus = a.find('+');
      std::size_t at = a.find('@');
      if (plus != std::string::npos && plus < at) own.insert(a.substr(0, plus) + a.substr(at));
      own.insert(std::move(a));
    }
  }
  return own;
}

void readPlainText(std::string_view human, const std::unordered_set<std::string>& own,
                   ReportReading& reading) {
  std::vector<std::string> addresses;
  for (const AddressAt& a : addressesIn(human)) {
    if (own.count(a.address) || isDaemonAddress(a.address)) continue;
    if (std::find(addresses.begin(), addresses.end(), a.address) == addresses.end()) {
      addresses.push_back(a.address);
    }
  }
  readNamedRecipients(addresses, human, reading, false);
  if (addresses.size() == 1 && reading.recipients.back().bounceClass == BounceClass::kUnknown) {
    reading.recipients.back() = namedRecipient(addresses[0], human, human, false);
  }
}

bool comesFromDaemon(const Headers& headers) {
  for (const std::string& from : headerAddresses(headers, "From")) {
    if (isDaemonAddress(from)) return true;
  }
  return foldAscii(headerValue(headers, "From")).find("mail delivery") != std::string::npos;
}

// Reads one message's parts as a failure report; false when they are not one.
bool readFailure(const Parts& parts, const std::unordered_set<std::string>& own,
                 ReportReading& reading) {
  std::string folded = foldedText(parts.body);
  std::string_view human = beforeReturnedMessage(folded);
  std::vector<std::string> failed;
  for (const std::string& line :
       store::split(headerValue(parts.headers, "X-Failed-Recipients"), ",")) {
    std::string address = addressOfField(line);
    if (!address.empty()) failed.push_back(address);
  }
  const bool standard = !parts.deliveryStatus.empty();
  if (!standard && failed.empty() && !comesFromDaemon(parts.headers) &&
      !hasAny(human, kReportSignatures)) {
    return false;
  }
  reading.isReport = true;
  if (standard) readStandardReport(parts, human, reading);
  if (reading.recipients.empty()) readNamedRecipients(failed, human, reading, true);
  if (reading.recipients.empty() && !standard) readPlainText(human, own, reading);
  return true;
}

bool isAutoReply(const mail::IncomingMessage& message) {
  std::string submitted = foldAscii(store::trim(headerValue(message.headers, "Auto-Submitted")));
  if (!submitted.empty() && submitted != "no") return true;
  if (foldAscii(store::trim(headerValue(message.headers, "Precedence"))) == "auto_reply")
    return true;
  if (!headerValue(message.headers, "X-Autoreply").empty() ||
      !headerValue(message.headers, "X-Autorespond").empty()) {
    return true;
  }
  return hasAny(foldAscii(message.subject), kAutoReplySubjects);
}

// The raw text after the header, for a message whose MIME structure gave no text at all.
std::string textAfterHeader(const std::string& raw) {
  std::size_t end = raw.find("\n\n");
  std::size_t crlfEnd = raw.find("\r\n\r\n");
  if (crlfEnd != std::string::npos && (end == std::string::npos || crlfEnd < end)) {
    return raw.substr(crlfEnd + 4);
  }
  return end == std::string::npos ? std::string() : raw.substr(end + 2);
}

// The header lines of the original a report quotes as text: from where the quote starts to the
// first blank line after a header line.
std::vector<mail::HeaderField> quotedHeaders(std::string_view folded) {
  std::vector<mail::HeaderField> headers;
  std::string_view quoted = folded.substr(beforeReturnedMessage(folded).size());
  for (const FieldBlock& block : fieldBlocks(quoted)) {
    bool sawAddress = false;
    for (const Field& f : block) {
      headers.push_back({f.name, f.value});
      sawAddress = sawAddress || f.name == "from" || f.name == "to";
    }
    if (sawAddress) break;
  }
  return headers;
}

// The returned original's sender and recipient, when it went to exactly one address.
void readOriginal(const mail::IncomingMessage& message, const std::string& text,
                  ReportReading& reading) {
  std::vector<mail::HeaderField> headers;
  for (const auto& inner : message.enclosed) {
    if (inner.deliveryStatus.empty() && !headerValue(inner.headers, "To").empty()) {
      headers = inner.headers;
      break;
    }
  }
  if (headers.empty()) headers = quotedHeaders(foldAscii(text));
  std::vector<std::string> to = headerAddresses(headers, "To");
  std::vector<std::string> from = headerAddresses(headers, "From");
  if (to.size() != 1 || from.size() != 1 || !headerAddresses(headers, "Cc").empty()) return;
  reading.originalFrom = from[0];
  reading.originalTo = to[0];
}

}  // namespace

bool countsAsStrike(const RecipientStatus& r) {
  if (r.delayed) return false;
  return r.bounceClass == BounceClass::kTemporary ||
         (r.bounceClass == BounceClass::kUnknown && r.notDelivered);
}

ReportReading readDeliveryReport(const mail::IncomingMessage& message) {
  ReportReading reading;
  for (std::string_view name : kReturnPathHeaders) {
    for (std::string& a : headerAddresses(message.headers, name)) {
      reading.returnPaths.push_back(std::move(a));
    }
  }
  // Not the enclosed messages' headers: a returned original is addressed to the recipient.
  const auto own = ownAddresses(message.headers);
  const bool noText = message.body.empty() && message.deliveryStatus.empty();
  const std::string body = noText ? textAfterHeader(message.fullText) : std::string();
  bool report = readFailure({message.headers, noText ? body : message.body, message.deliveryStatus},
                            own, reading);
  // A report forwarded by someone, or sent as an attachment, is read from inside.
  for (std::size_t i = 0; reading.recipients.empty() && i < message.enclosed.size(); ++i) {
    const auto& inner = message.enclosed[i];
    readFailure({inner.headers, inner.body, inner.deliveryStatus}, own, reading);
  }
  if (report || reading.isReport) {
    if (reading.recipients.empty() && !reading.deliveredOnly) {
      // A report that names nobody: what it says, and whom the original it returns went to.
      const std::string folded = foldedText(noText ? body : message.body);
      std::string_view human = beforeReturnedMessage(folded);
      RecipientStatus nobody;
      nobody.status = findStatusCode(human);
      nobody.bounceClass = classifyFailure(nobody.status, human, false);
      markDelivery(nobody, human, false);
      reading.recipients.push_back(nobody);
      readOriginal(message, textAfterHeader(message.fullText), reading);
    }
    return reading;
  }
  if (isAutoReply(message)) {
    reading.isReport = true;
    reading.recipients.push_back({foldAscii(message.senderAddress), "", BounceClass::kAutoReply});
  }
  return reading;
}

}  // namespace tidewell::engine
