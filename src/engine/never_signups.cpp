#include "engine/never_signups.h"

#include "store/text.h"

namespace tidewell::engine {

namespace {

const mail::HeaderField* header(const mail::IncomingMessage& message, std::string_view name) {
  for (const mail::HeaderField& field : message.headers) {
    if (store::equalsIgnoreCase(field.name, name)) return &field;
  }
  return nullptr;
}

bool isSystemSender(std::string_view address) {
  std::string_view local = address.substr(0, address.rfind('@'));
  return store::equalsIgnoreCase(local, "mailer-daemon") ||
         store::equalsIgnoreCase(local, "postmaster");
}

bool isDeliveryReport(const mail::IncomingMessage& message) {
  if (const mail::HeaderField* type = header(message, "Content-Type")) {
    if (store::startsWithIgnoreCase(store::trim(type->value), "multipart/report")) return true;
  }
  if (const mail::HeaderField* path = header(message, "Return-Path")) {
    std::string_view value = store::trim(path->value);
    if (value == "<>" || value.empty()) return true;
  }
  return !message.deliveryStatus.empty() || isSystemSender(message.senderAddress);
}

bool fromTheKit(const mail::IncomingMessage& message, std::string_view kitSender) {
  if (const mail::HeaderField* mailer = header(message, "X-Mailer")) {
    if (store::equalsIgnoreCase(store::trim(mailer->value), "Tidewell web kit")) return true;
  }
  return !kitSender.empty() && store::equalsIgnoreCase(message.senderAddress, kitSender);
}

}  // namespace

std::optional<std::string> neverSignUpReason(const mail::IncomingMessage& message,
                                             std::string_view listAddress,
                                             std::string_view kitSender) {
  if (isDeliveryReport(message)) return "delivery report";
  if (!listAddress.empty() && store::equalsIgnoreCase(message.senderAddress, listAddress))
    return "the list's own message";
  // The kit's sign-ups carry the form's e-mail field; its opt-outs and confirmations do not.
  if (fromTheKit(message, kitSender) && message.body.find("@@@input1@@@=") == std::string::npos)
    return "a message of the web kit";
  return std::nullopt;
}

}  // namespace tidewell::engine
