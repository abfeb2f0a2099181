#pragma once
// One SMTP connection on one libcurl easy handle, reused for every message of a sending pass.
// A connection the server has dropped meanwhile is re-opened once and the message sent again.
// Transfer thread only.
#include <string>

#include "mail/curl_handle.h"
#include "mail/curl_transcript.h"
#include "mail/mail_settings.h"
#include "mail/smtp_reply.h"

namespace tidewell::mail {

class SmtpSession {
 public:
  // implicitTls: TLS from the first byte (smtps); otherwise STARTTLS, required when settings.ssl.
  SmtpSession(SmtpSettings settings, bool implicitTls);
  SmtpSession(const SmtpSession&) = delete;
  SmtpSession& operator=(const SmtpSession&) = delete;

  // True when the server accepted the message for the recipient. The envelope addresses must
  // already be checked; data is the finished message with CR LF line ends.
  bool send(const std::string& from, const std::string& to, const std::string& data);
  // QUIT.
  void end() { m_handle.reset(); }

  const std::string& lastError() const { return m_lastError; }
  // The reply that refused the last message not accepted.
  const SmtpReply& lastReply() const { return m_lastReply; }

 private:
  bool setUp();
  std::string url() const;
  CURLcode attempt(const std::string& from, const std::string& to, const std::string& data);
  bool connectionWasDropped(CURLcode code) const;
  // The code of the server's last reply in this attempt; 0 when it said nothing.
  int replyCode() const;

  SmtpSettings m_settings;
  bool m_implicitTls;
  CurlEasyPtr m_handle;
  CurlTranscript m_transcript;
  std::string m_lastError;
  SmtpReply m_lastReply;
};

}  // namespace tidewell::mail
