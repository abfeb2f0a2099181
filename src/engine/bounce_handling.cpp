#include "engine/bounce_handling.h"

#include "store/text.h"

namespace tidewell::engine {

namespace {

void deactivate(store::SubscriberTable& table, store::Position p) {
  table.setActive(p, "false");
  table.setChanged();
}

// The value of a report field up to the end of its line; reports arrive with CR LF or LF.
std::string lineValue(std::string_view text, std::string_view label) {
  return ExtractLabeledValue(text, label, "");
}

// "RFC822; USER@EXAMPLE.COM" or "<USER@EXAMPLE.COM>": the address alone.
std::string recipientAddress(std::string value) {
  std::size_t open = value.find('<');
  if (open != std::string::npos) {
    std::size_t close = value.find('>', open);
    value =
        value.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  } else if (std::size_t semicolon = value.find(';'); semicolon != std::string::npos) {
    value = value.substr(semicolon + 1);
  }
  return std::string(store::trim(value));
}

}  // namespace

void DeactivateSubscriber(store::SubscriberTable& table, SubscriberIndex& exactIndex,
                          std::string_view address, std::string_view filterTitle) {
  for (store::Position p : exactIndex.find(address)) {
    if (table.filterTitle(p) == filterTitle) deactivate(table, p);
  }
}

std::string ExtractLabeledValue(std::string_view text, std::string_view label,
                                std::string_view terminator) {
  std::size_t p = text.find(label);
  if (p == std::string_view::npos) return {};
  std::size_t start = p + label.size();
  std::size_t q = terminator.empty() ? text.find('\n', start) : text.find(terminator, start);
  if (q == std::string_view::npos) return {};
  if (terminator.empty() && q > start && text[q - 1] == '\r') --q;
  std::string value(store::trim(text.substr(start, q - start)));
  if (terminator == ">") {
    std::size_t open = value.find('<');
    if (open != std::string::npos) value = std::string(store::trim(value.substr(open + 1)));
  }
  return value;
}

DeliveryReport readDeliveryReport(const mail::IncomingMessage& message) {
  const std::string& source =
      message.deliveryStatus.empty() ? message.fullText : message.deliveryStatus;
  std::string text = store::toUpperAscii(source);
  std::string code = lineValue(text, "DIAGNOSTIC-CODE");
  if (code.empty()) code = lineValue(text, "DIAGNOSTIC CODE");
  std::string action = lineValue(text, "ACTION:");
  std::string recipient = lineValue(text, "FINAL-RECIPIENT:");
  if (recipient.empty()) recipient = lineValue(text, "FINAL RECIPIENT:");
  DeliveryReport report;
  report.recipient = recipientAddress(recipient);
  report.failed = code.find("550") != std::string::npos || code.find("554") != std::string::npos ||
                  code.find("553") != std::string::npos || action == "FAILED";
  return report;
}

void applyDeliveryFailure(store::SubscriberTable& table, SubscriberIndex& foldedIndex,
                          const mail::IncomingMessage& message, std::string_view deactivate) {
  if (deactivate != "true") return;
  DeliveryReport report = readDeliveryReport(message);
  if (!report.failed || report.recipient.empty()) return;
  applyPermanentFailure(table, foldedIndex, report.recipient, deactivate);
}

void applyPermanentFailure(store::SubscriberTable& table, SubscriberIndex& foldedIndex,
                           std::string_view address, std::string_view deactivate) {
  if (deactivate != "true" || address.empty()) return;
  for (store::Position p : foldedIndex.find(address)) engine::deactivate(table, p);
}

}  // namespace tidewell::engine
