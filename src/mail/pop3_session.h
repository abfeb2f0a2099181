#pragma once
// One POP3 session on one libcurl easy handle: log-in and UIDL listing, RETR and DELE by the
// message numbers of that listing. Deletions take effect only at the QUIT sent by end(); a
// session the server dropped commits nothing and refuses further commands. Transfer thread only.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mail/certificate_trust.h"
#include "mail/curl_handle.h"
#include "mail/curl_transcript.h"
#include "mail/mail_settings.h"

namespace tidewell::mail {

class Pop3Session {
 public:
  // implicitTls: TLS from the first byte (pop3s); otherwise STLS, required when settings.ssl.
  Pop3Session(PopSettings settings, bool implicitTls);
  Pop3Session(const Pop3Session&) = delete;
  Pop3Session& operator=(const Pop3Session&) = delete;

  // Logs in on first use and lists the mailbox; lines that are not "n uid" are skipped and
  // noted in warnings().
  std::optional<std::vector<std::string>> listUidls();
  // The raw message with this UIDL, CR LF line ends, dot-stuffing undone.
  std::optional<std::string> retrieve(const std::string& uidl);
  bool markDeleted(const std::string& uidl);
  // QUIT: commits the deletions of a live session.
  void end();

  const std::string& lastError() const { return m_lastError; }
  const std::string& warnings() const { return m_warnings; }
  // The server refused the log-in (a wrong password or a bearer token it no longer takes).
  bool logInRefused() const { return m_lastCode == CURLE_LOGIN_DENIED; }

 private:
  bool setUp();
  std::string url(const std::string& path) const;
  std::optional<int> numberOf(const std::string& uidl);
  bool connectionLost() const;
  // Ticked SSL, or an OAuth2 log-in: then a server without STLS is refused.
  bool tlsRequired() const;
  bool perform(const std::string& what, const std::string& path, std::string* sink);
  void parseListing(const std::string& listing, std::vector<std::string>& uidls);
  void listSizes();
  bool shorterThanListed(int number, const std::string& message) const;

  PopSettings m_settings;
  bool m_implicitTls;
  CertificateTrust m_trust;  // outlives the handle, which calls into it
  CurlEasyPtr m_handle;
  CurlTranscript m_transcript;
  std::map<std::string, int> m_numbers;
  std::map<int, std::size_t> m_sizes;  // LIST's octet counts by message number, when it answered
  bool m_connected = false;
  bool m_dropped = false;
  CURLcode m_lastCode = CURLE_OK;
  std::string m_lastError;
  std::string m_warnings;
};

}  // namespace tidewell::mail
