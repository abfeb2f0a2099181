#include "engine/login_failure.h"

#include "mail/mail_settings.h"

namespace tidewell::engine {

namespace {

bool has(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

LoginFailure loginFailureOf(const std::string& reason) {
  if (reason.rfind(mail::kSignInAgain, 0) == 0) return LoginFailure::kSignInExpired;
  // libcurl's own texts, and the servers' usual refusals of a log-in.
  if (has(reason, "certificate")) return LoginFailure::kUntrustedCertificate;
  if (has(reason, "Login denied") || has(reason, "[AUTH]") ||
      has(reason, "Authentication failed") || has(reason, "535")) {
    return LoginFailure::kRefusedCredentials;
  }
  if (has(reason, "resolve host")) return LoginFailure::kUnknownServer;
  if (has(reason, "Couldn't connect")) return LoginFailure::kUnreachable;
  if (has(reason, "Timeout") || has(reason, "timed out")) return LoginFailure::kTimedOut;
  if (has(reason, "SSL") || has(reason, "TLS") || has(reason, "STARTTLS")) {
    return LoginFailure::kNoSecureConnection;
  }
  return LoginFailure::kOther;
}

std::string loginFailureStatus(const std::string& server, const std::string& reason) {
  const std::string problems = "Problems logging into " + server;
  switch (loginFailureOf(reason)) {
    case LoginFailure::kSignInExpired:
      return server + " sign-in has expired. Sign in again in Server Settings";
    case LoginFailure::kUntrustedCertificate:
      return problems +
             ": the server's certificate is not trusted. "
             "Check it with Trust Certificate in Server Settings";
    case LoginFailure::kRefusedCredentials:
      return problems + ": the account name or password was refused. Check Server Settings";
    case LoginFailure::kUnknownServer:
      return problems + ": the server name was not found. Check Server Settings";
    case LoginFailure::kUnreachable:
      return problems + ": the server could not be reached on its port. Check Server Settings";
    case LoginFailure::kTimedOut:
      return problems + ": the server did not answer in time. Check Server Settings";
    case LoginFailure::kNoSecureConnection:
      return problems + ": no secure connection could be made. Check Server Settings";
    case LoginFailure::kOther:
      break;
  }
  return problems + ". Check Server Settings";
}

}  // namespace tidewell::engine
