#include "mail/server_certificate.h"

#include <cctype>

namespace tidewell::mail {

std::string normalFingerprint(const std::string& text) {
  std::string hex;
  for (char ch : text) {
    if (ch == ':' || ch == ' ') continue;
    if (!std::isxdigit(static_cast<unsigned char>(ch))) return {};
    hex += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  }
  if (hex.size() != 64) return {};
  std::string pairs;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    if (i) pairs += ':';
    pairs += hex.substr(i, 2);
  }
  return pairs;
}

std::string certificateText(const ServerCertificate& c) {
  std::string text = "Subject: " + c.subject + "\nIssuer: " + c.issuer +
                     "\nValid from: " + c.notBefore + "\nValid until: " + c.notAfter +
                     "\nSHA-256 fingerprint: " + c.sha256 + "\n";
  if (!c.problem.empty()) text += "Not trusted: " + c.problem + "\n";
  return text;
}

}  // namespace tidewell::mail
