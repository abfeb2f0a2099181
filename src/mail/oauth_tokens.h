#pragma once
// OAuth2 token endpoint requests over libcurl: the authorization-code exchange of a sign-in
// (with its PKCE verifier) and the refresh of an access token. Access tokens are kept in this
// process's memory only, shared by every mail client, until shortly before they expire.
// Thread-safe.
#include <optional>
#include <string>

#include "mail/mail_settings.h"

namespace tidewell::mail {

// What a token endpoint granted.
struct TokenGrant {
  std::string accessToken;
  std::string refreshToken;  // empty when the endpoint kept the old one
  long expiresInSeconds = 3600;
};

// Why a token request failed: refused means the provider no longer accepts the sign-in (the
// operator must sign in again); otherwise the endpoint could not be reached or answered
// nonsense.
struct TokenFailure {
  bool refused = false;
  std::string reason;
};

class OAuthTokens {
 public:
  // A bearer token for the log-in: the one kept in memory unless fresh is asked for or it
  // expires within a minute, else a new one from the refresh token. fromMemory tells which.
  static std::optional<std::string> accessToken(const OAuthLogin& login, bool fresh,
                                                bool& fromMemory, TokenFailure& failure,
                                                int timeoutSeconds);

  static std::optional<TokenGrant> exchangeCode(const OAuthLogin& client, const std::string& code,
                                                const std::string& verifier,
                                                const std::string& redirectUri,
                                                TokenFailure& failure, int timeoutSeconds);

  // Forgets every access token kept in memory.
  static void forgetAll();
};

// A string or number member of a flat JSON object, as text; nullopt when absent.
std::optional<std::string> jsonMember(const std::string& json, const std::string& name);

}  // namespace tidewell::mail
