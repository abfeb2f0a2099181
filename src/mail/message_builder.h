#pragma once
// Turns an outgoing message into the bytes sent after DATA: MIME with GMime, UTF-8 text,
// encoded headers, base64 attachments, CR LF line ends. Any thread; no state between calls
// beyond the attachment cache a caller may lend it.
#include <string>

#include "mail/attachment_cache.h"
#include "mail/mail_message.h"

namespace tidewell::mail {

struct BuiltMessage {
  std::string data;
  // Attachments that were left out, one line each; the message is sent without them.
  std::string warnings;
};

class MessageBuilder {
 public:
  static BuiltMessage build(const OutgoingMessage& message);
  // The same, with attachments encoded once and kept in cache.
  static BuiltMessage build(const OutgoingMessage& message, AttachmentCache& cache);
};

}  // namespace tidewell::mail
