#pragma once
// Why a log-in to a mail server failed, in the words the operator can act on: the status bar
// names the reason (a refused password, an untrusted certificate, a server out of reach)
// rather than only that something went wrong. Stateless.
#include <string>

namespace tidewell::engine {

enum class LoginFailure {
  kSignInExpired,         // the OAuth2 provider refused the saved sign-in
  kUntrustedCertificate,  // the server's certificate is not trusted
  kRefusedCredentials,    // wrong account name or password
  kUnknownServer,         // the server name does not resolve
  kUnreachable,           // nothing answers on that port
  kTimedOut,              // the server did not answer in time
  kNoSecureConnection,    // TLS could not be set up
  kOther,
};

// Sorts the mail client's error text.
LoginFailure loginFailureOf(const std::string& reason);
// The status text for a failed log-in to `server` ("Pop3" or "SMTP").
std::string loginFailureStatus(const std::string& server, const std::string& reason);

}  // namespace tidewell::engine
