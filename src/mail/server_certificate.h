#pragma once
// A server certificate as the operator is shown it before trusting it. Plain values.
#include <string>

namespace tidewell::mail {

enum class MailProtocol { kPop3, kSmtp };

// What the operator needs to decide whether to trust a certificate.
struct ServerCertificate {
  std::string subject;
  std::string issuer;
  std::string notBefore;
  std::string notAfter;
  std::string sha256;   // of the whole certificate, upper-case hex pairs joined by ":"
  std::string problem;  // why it was refused; empty when the system store vouches for it
};

// "ab:CD..." or "abcd..." in the stored form: upper-case hex pairs joined by ":"; empty when
// the text is not a SHA-256 fingerprint.
std::string normalFingerprint(const std::string& text);
// The lines the operator reads before trusting it: subject, issuer, validity, fingerprint and,
// when there is one, why it was refused.
std::string certificateText(const ServerCertificate& certificate);

}  // namespace tidewell::mail
