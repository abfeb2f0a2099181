#pragma once
// Which server certificates a POP3 or SMTP connection accepts: those the system (or the CA file)
// vouches for, or, once the operator has trusted one certificate for the server, exactly that
// certificate and no other. Also remembers the certificate a server presented when it was
// refused, so the operator can be shown what to trust. One per easy handle; transfer thread.
#include <curl/curl.h>

#include <optional>
#include <string>

#include "mail/server_certificate.h"

struct x509_store_ctx_st;  // OpenSSL's X509_STORE_CTX

namespace tidewell::mail {

class CertificateTrust {
 public:
  enum class Mode {
    kVerify,   // accept what the system store vouches for, or the pinned certificate only
    kCapture,  // remember the certificate and refuse it, so nothing follows the handshake
  };
  explicit CertificateTrust(std::string pinnedSha256 = {}, Mode mode = Mode::kVerify);
  CertificateTrust(const CertificateTrust&) = delete;
  CertificateTrust& operator=(const CertificateTrust&) = delete;

  // Installs the check on the handle; this object must outlive the handle's transfers.
  void attach(CURL* handle);
  // The certificate the server presented and why it was refused, when it was.
  const std::optional<ServerCertificate>& refused() const { return m_refused; }
  // The certificate seen last, refused or not.
  const std::optional<ServerCertificate>& seen() const { return m_seen; }
  // A sentence for error texts: the refused certificate's problem and fingerprint.
  std::string refusalText() const;

 private:
  static CURLcode onSslContext(CURL* handle, void* sslContext, void* self);
  static int onVerify(::x509_store_ctx_st* store, void* self);
  int verify(::x509_store_ctx_st* store);

  std::string m_pin;
  Mode m_mode;
  std::optional<ServerCertificate> m_seen;
  std::optional<ServerCertificate> m_refused;
};

// Connects as the mail client would (implicit TLS or STARTTLS), takes the server's certificate
// and hangs up before anything else is said; no log-in. Nothing when no TLS handshake happened;
// error then says why.
std::optional<ServerCertificate> fetchServerCertificate(MailProtocol protocol,
                                                        const std::string& host, int port,
                                                        bool implicitTls, int timeoutSeconds,
                                                        const std::string& caFile,
                                                        std::string& error);

}  // namespace tidewell::mail
