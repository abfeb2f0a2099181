#pragma once
// What an SMTP server's refusal of one message means for a sending pass: wait (the server's
// sending limit), try the recipient again later, take the address as gone for good, or give
// this message up. Stateless; any thread.
#include <string>
#include <string_view>

namespace tidewell::mail {

// The reply that ended a send that was not accepted. code 0: the server said nothing (the
// message was refused before it left, or the connection failed: connectionFailed).
struct SmtpReply {
  int code = 0;
  std::string text;  // the reply's last line, code included
  bool connectionFailed = false;
};

enum class SmtpReplyClass {
  kPause,            // a quota or rate limit, or no server to talk to: stop the pass
  kRetryLater,       // a temporary refusal of this recipient: try again after the others
  kPermanentBounce,  // the address does not exist: switch it off like a failure report
  kRefused,          // any other refusal: logged, not sent, tried again at a later pass
};

SmtpReplyClass classifySmtpReply(const SmtpReply& reply);

// The enhanced status code of a reply text ("4.2.1" in "451 4.2.1 Slow down"), or empty.
std::string enhancedStatus(std::string_view text);

}  // namespace tidewell::mail
