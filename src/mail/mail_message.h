#pragma once
// A downloaded message as the engine reads it, and a message the engine hands over for sending.
// Plain values: built on the transfer thread, read on the thread that owns the subscribers.
#include <string>
#include <vector>

namespace tidewell::mail {

// One header field as the message carries it: the name as written, the value unfolded.
struct HeaderField {
  std::string name;
  std::string value;
};

// A message carried inside another (message/rfc822): a forwarded report, or the original
// message a report returns. Its headers, text (as IncomingMessage::body) and delivery status.
struct EnclosedMessage {
  std::vector<HeaderField> headers;
  std::string body;
  std::string deliveryStatus;
};

struct IncomingMessage {
  std::string uidl;
  std::string subject;        // decoded, UTF-8
  std::string body;           // the text/plain part, else the text/html part, UTF-8
  std::string senderAddress;  // the From mailbox's address
  std::string senderName;     // its display name, decoded; may be empty
  std::string fullText;       // the raw message, headers and every part
  // The content of a message/delivery-status part when the message carries one, decoded.
  std::string deliveryStatus;
  // Set when the message could not be read; the other fields are then unreliable.
  std::string parseError;
  std::string messageId;                  // without angle brackets; may be empty
  std::vector<HeaderField> headers;       // the top-level header fields, in order
  std::vector<EnclosedMessage> enclosed;  // the messages inside this one, outermost first
};

struct OutgoingMessage {
  std::string toName;
  std::string toAddress;
  std::string fromName;
  std::string fromAddress;
  std::string replyTo;
  std::string subject;
  std::string body;
  bool html = false;  // text/html, else text/plain
  // With an HTML body: the text/plain alternative (empty: HTML alone).
  std::string textAlternative;
  // List header fields (RFC 2369, 2919, 8058); empty ones are left out. ASCII only.
  std::string listUnsubscribe;
  std::string listUnsubscribePost;
  std::string listId;
  std::vector<std::string> attachments;  // file paths
  // The reverse path given in MAIL FROM; empty means fromAddress.
  std::string envelopeSender;
};

inline const std::string& envelopeSenderOf(const OutgoingMessage& message) {
  return message.envelopeSender.empty() ? message.fromAddress : message.envelopeSender;
}

}  // namespace tidewell::mail
