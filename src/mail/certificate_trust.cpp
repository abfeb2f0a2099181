#include "mail/certificate_trust.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <functional>
#include <memory>

#include "mail/curl_handle.h"
#include "mail/curl_transcript.h"

namespace tidewell::mail {

namespace {

std::string hexPairs(const unsigned char* bytes, unsigned int size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    if (i) text += ':';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::string bioText(const std::function<void(BIO*)>& write) {
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
  if (!bio) return {};
  write(bio.get());
  char* data = nullptr;
  long size = BIO_get_mem_data(bio.get(), &data);
  return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

std::string nameText(const X509_NAME* name) {
  return bioText([name](BIO* bio) { X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253); });
}

std::string timeText(const ASN1_TIME* time) {
  return bioText([time](BIO* bio) { ASN1_TIME_print(bio, time); });
}

ServerCertificate describe(X509* certificate) {
  ServerCertificate c;
  c.subject = nameText(X509_get_subject_name(certificate));
  c.issuer = nameText(X509_get_issuer_name(certificate));
  c.notBefore = timeText(X509_get0_notBefore(certificate));
  c.notAfter = timeText(X509_get0_notAfter(certificate));
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (X509_digest(certificate, EVP_sha256(), digest, &size) == 1) c.sha256 = hexPairs(digest, size);
  return c;
}

}  // namespace

CertificateTrust::CertificateTrust(std::string pinnedSha256, Mode mode)
    : m_pin(normalFingerprint(pinnedSha256)), m_mode(mode) {}

void CertificateTrust::attach(CURL* handle) {
  curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, &CertificateTrust::onSslContext);
  curl_easy_setopt(handle, CURLOPT_SSL_CTX_DATA, this);
  if (!m_pin.empty()) {
    // The operator trusted this very certificate for this server, whatever name it carries;
    // a session resumed from the cache would skip the check, so none is kept.
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  }
}

CURLcode CertificateTrust::onSslContext(CURL*, void* sslContext, void* self) {
  // Replaces the chain check only; libcurl still requires its outcome (verify peer stays on).
  SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(sslContext), &CertificateTrust::onVerify,
                                   self);
  return CURLE_OK;
}

int CertificateTrust::onVerify(X509_STORE_CTX* store, void* self) {
  return static_cast<CertificateTrust*>(self)->verify(store);
}

int CertificateTrust::verify(X509_STORE_CTX* store) {
  const bool vouched = X509_verify_cert(store) == 1;
  X509* leaf = X509_STORE_CTX_get0_cert(store);
  if (!leaf) return 0;
  ServerCertificate presented = describe(leaf);
  if (!vouched) presented.problem = X509_verify_cert_error_string(X509_STORE_CTX_get_error(store));
  m_seen = presented;
  if (m_mode == Mode::kCapture) {
    if (vouched) X509_STORE_CTX_set_error(store, X509_V_ERR_APPLICATION_VERIFICATION);
    return 0;
  }
  if (!m_pin.empty()) {
    if (presented.sha256 == m_pin) {
      X509_STORE_CTX_set_error(store, X509_V_OK);
      return 1;
    }
    presented.problem = "it is not the certificate trusted for this server";
    m_refused = presented;
    X509_STORE_CTX_set_error(store, X509_V_ERR_CERT_REJECTED);
    return 0;
  }
  if (vouched) return 1;
  m_refused = presented;
  return 0;
}

std::string CertificateTrust::refusalText() const {
  if (!m_refused) return {};
  return "the server's certificate is not trusted (" + m_refused->problem + "; SHA-256 " +
         m_refused->sha256 + ")";
}

std::optional<ServerCertificate> fetchServerCertificate(MailProtocol protocol,
                                                        const std::string& host, int port,
                                                        bool implicitTls, int timeoutSeconds,
                                                        const std::string& caFile,
                                                        std::string& error) {
  CurlEasyPtr handle = newCurlEasy();
  if (!handle) {
    error = "libcurl could not be set up";
    return std::nullopt;
  }
  CURL* h = handle.get();
  CurlTranscript transcript;
  transcript.attach(h);
  CertificateTrust trust({}, CertificateTrust::Mode::kCapture);
  trust.attach(h);
  const bool pop3 = protocol == MailProtocol::kPop3;
  std::string scheme = pop3 ? (implicitTls ? "pop3s" : "pop3") : (implicitTls ? "smtps" : "smtp");
  std::string url = scheme + "://" + host + ":" + std::to_string(port) + "/";
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_USE_SSL, CURLUSESSL_ALL);
  // No user name: libcurl never logs in, and the refused handshake ends the connection.
  curl_easy_setopt(h, CURLOPT_CONNECT_ONLY, 1L);
  applyServerLimits(h, caFile, timeoutSeconds);
  CURLcode code = curl_easy_perform(h);
  if (!trust.seen()) {
    error = code == CURLE_OK ? "the server did not start TLS" : transcript.describe(code);
    return std::nullopt;
  }
  return trust.seen();
}

}  // namespace tidewell::mail
