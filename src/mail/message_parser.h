#pragma once
// Reads a downloaded message with GMime into the fields the engine uses. Never fails outright:
// what cannot be read is reported in parseError next to the raw text. Any thread; no state.
#include <string>

#include "mail/mail_message.h"

namespace tidewell::mail {

class MessageParser {
 public:
  static IncomingMessage parse(const std::string& raw, const std::string& uidl);
};

}  // namespace tidewell::mail
