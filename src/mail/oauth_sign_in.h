#pragma once
// The authorization code flow with PKCE for programs without a window of their own (RFC 8252):
// a one-time listener on 127.0.0.1 takes the browser's redirect, and the code is exchanged at
// the token endpoint for the refresh token to save. One sign-in per object; one thread.
#include <optional>
#include <string>

#include "mail/oauth_tokens.h"

namespace tidewell::mail {

struct SignInClient {
  std::string authUrl;
  std::string scopes;       // space-separated
  std::string extraParams;  // further query parameters of the authorization URL, "a=b&c=d"
  OAuthLogin token;         // tokenUrl, clientId, clientSecret
};

class LoopbackSignIn {
 public:
  explicit LoopbackSignIn(SignInClient client);
  ~LoopbackSignIn();
  LoopbackSignIn(const LoopbackSignIn&) = delete;
  LoopbackSignIn& operator=(const LoopbackSignIn&) = delete;

  // Opens the listener on a free port of 127.0.0.1; false with error when it cannot.
  bool listen(std::string& error);
  // The URL to open in the browser (after listen).
  std::string authorizationUrl() const;
  // Waits for the redirect, answers the browser and exchanges the code. Redirects without the
  // right state are answered and ignored.
  std::optional<TokenGrant> finish(int timeoutSeconds, TokenFailure& failure);

 private:
  std::optional<std::string> awaitCode(int timeoutSeconds, TokenFailure& failure);
  std::string redirectUri() const;

  SignInClient m_client;
  std::string m_verifier;
  std::string m_state;
  int m_socket = -1;
  int m_port = 0;
};

// The PKCE challenge of a verifier: base64url of its SHA-256, no padding (RFC 7636 S256).
std::string pkceChallenge(const std::string& verifier);
// A query parameter of a request target such as "/?code=x&state=y", percent-decoded.
std::optional<std::string> queryParameter(const std::string& target, const std::string& name);

}  // namespace tidewell::mail
