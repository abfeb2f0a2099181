#pragma once
// One SMTP connection on one libcurl easy handle, reused for every message of a sending pass.
// A connection the server has dropped meanwhile is re-opened once and the message sent again.
// Transfer thread only.
#include <string>

#include "mail/certificate_trust.h"
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
  // The server refused the log-in (a wrong password or a bearer token it no longer takes).
  bool logInRefused() const { return m_lastCode == CURLE_LOGIN_DENIED; }
  // The reply that refused the last message not accepted.
  const SmtpReply& lastReply() const { return m_lastReply; }

 private:
  // send in steps: begin sets the message up on the handle (null when the handle could not be
  // made); finish takes the result of performing it and answers kAgain once when the
  // connection had been dropped (the handle is then set for a fresh connection).
  enum class Step { kAccepted, kRefused, kAgain };
  CURL* begin(const std::string& from, const std::string& to, const std::string& data);
  Step finish(CURLcode code);
  bool setUp();
  std::string url() const;
  void release();
  static size_t readFrom(char* buffer, size_t size, size_t count, void* uploadPointer);
  bool connectionWasDropped(CURLcode code) const;
  // The code of the server's last reply in this attempt; 0 when it said nothing.
  int replyCode() const;

  SmtpSettings m_settings;
  bool m_implicitTls;
  CertificateTrust m_trust;  // outlives the handle, which calls into it
  CurlEasyPtr m_handle;
  CurlTranscript m_transcript;
  CURLcode m_lastCode = CURLE_OK;
  std::string m_lastError;
  SmtpReply m_lastReply;
  // The message in flight: its envelope and where the upload stands.
  struct Upload {
    const std::string* data = nullptr;
    size_t offset = 0;
  };
  std::string m_reversePath;
  std::string m_to;
  CurlSlistPtr m_recipients;
  Upload m_upload;
  bool m_freshTried = false;
};

}  // namespace tidewell::mail
