#pragma once
// How to reach the profile's POP3 and SMTP servers, taken from the server settings when a mail
// client is set up. Plain values; copied to whichever thread runs the transfers.
#include <string>

namespace tidewell::mail {

// OAuth2 log-in of one account: when enabled the session logs in with a bearer token (SASL
// XOAUTH2 or OAUTHBEARER) in place of the password. The mail client fills bearerToken from the
// token endpoint with the refresh token before it logs in.
struct OAuthLogin {
  bool enabled = false;
  std::string mechanism = "XOAUTH2";  // or "OAUTHBEARER"
  std::string tokenUrl;
  std::string clientId;
  std::string clientSecret;  // empty for a public client
  std::string refreshToken;
  std::string bearerToken;
  bool used() const { return enabled; }
  // The same log-in: the access token taken for it is not part of what was asked for.
  bool operator==(const OAuthLogin& other) const {
    return enabled == other.enabled && mechanism == other.mechanism && tokenUrl == other.tokenUrl &&
           clientId == other.clientId && clientSecret == other.clientSecret &&
           refreshToken == other.refreshToken;
  }
};

// The start of a mail client's error text when the OAuth2 provider refused the saved sign-in
// (or none was saved): only signing in again helps.
inline constexpr const char* kSignInAgain = "Sign in again";

// The incoming mailbox: POP3, or an IMAP folder read without disturbing the rest of it.
struct PopSettings {
  bool imap = false;
  std::string host;
  int port = 110;
  std::string user;
  std::string password;
  bool ssl = false;  // TLS required: implicit on 995, STARTTLS on any other port
  bool spa = false;  // log in with NTLM
  int timeoutSeconds = 60;
  std::string caFile;  // certificates to trust instead of the system store; empty: the system's
  // SHA-256 of the one certificate the operator trusted for this server; empty: none.
  std::string pinnedCertificate;
  OAuthLogin oauth;
  // IMAP only: the folder read, the keyword handled messages get (empty: none) and the folder
  // they are moved into (empty: they stay).
  std::string imapFolder = "INBOX";
  std::string doneKeyword;
  std::string doneFolder;
};

struct SmtpSettings {
  std::string host;
  int port = 25;
  bool ssl = false;  // TLS required: implicit on 465, STARTTLS on any other port
  bool spa = false;
  // 0 no log-in; 1 log in with the POP3 account; 2 with the separate SMTP account. The caller
  // puts the account to use into user and password.
  int authentication = 0;
  std::string user;
  std::string password;
  int timeoutSeconds = 60;
  std::string caFile;
  std::string pinnedCertificate;
  OAuthLogin oauth;

  bool operator==(const SmtpSettings&) const = default;
};

}  // namespace tidewell::mail
