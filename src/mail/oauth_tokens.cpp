#include "mail/oauth_tokens.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "mail/curl_handle.h"
#include "mail/refresh_token_rotations.h"

namespace tidewell::mail {

namespace {

using Clock = std::chrono::steady_clock;

// A token this close to its end is not used: the log-in that follows must still find it valid.
constexpr std::chrono::seconds kExpiryMargin{60};

struct KeptToken {
  std::string token;
  Clock::time_point expires;
};

std::mutex& cacheLock() {
  static std::mutex lock;
  return lock;
}

std::map<std::string, KeptToken>& cache() {
  static std::map<std::string, KeptToken> tokens;
  return tokens;
}

std::string cacheKey(const OAuthLogin& login) {
  return login.tokenUrl + '\n' + login.clientId + '\n' + login.refreshToken;
}

size_t appendTo(char* data, size_t size, size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

std::string formBody(CURL* h, const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string body;
  for (const auto& [name, value] : fields) {
    if (value.empty()) continue;
    char* escaped = curl_easy_escape(h, value.c_str(), static_cast<int>(value.size()));
    if (!body.empty()) body += '&';
    body += name + "=" + (escaped ? escaped : "");
    curl_free(escaped);
  }
  return body;
}

// POSTs the form to the token endpoint; the grant, or the failure with the provider's reason.
std::optional<TokenGrant> requestToken(const std::string& tokenUrl,
                                       const std::vector<std::pair<std::string, std::string>>& form,
                                       TokenFailure& failure, int timeoutSeconds) {
  CurlEasyPtr handle = newCurlEasy();
  if (!handle) {
    failure = {false, "libcurl could not be set up"};
    return std::nullopt;
  }
  CURL* h = handle.get();
  const std::string body = formBody(h, form);
  std::string reply;
  curl_easy_setopt(h, CURLOPT_URL, tokenUrl.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https,http");
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendTo);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds > 0 ? timeoutSeconds : 60));
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  const CURLcode code = curl_easy_perform(h);
  if (code != CURLE_OK) {
    failure = {false, "the token endpoint " + tokenUrl +
                          " could not be reached: " + curl_easy_strerror(code)};
    return std::nullopt;
  }
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  auto access = jsonMember(reply, "access_token");
  if (status == 200 && access && !access->empty()) {
    TokenGrant grant;
    grant.accessToken = *access;
    grant.refreshToken = jsonMember(reply, "refresh_token").value_or("");
    if (auto expires = jsonMember(reply, "expires_in"))
      grant.expiresInSeconds = std::atol(expires->c_str());
    return grant;
  }
  const std::string error = jsonMember(reply, "error").value_or("HTTP " + std::to_string(status));
  const std::string detail = jsonMember(reply, "error_description").value_or("");
  // RFC 6749 5.2: invalid_grant is a refresh token or code the provider no longer accepts.
  failure = {error == "invalid_grant" || error == "unauthorized_client" || status == 401,
             error + (detail.empty() ? "" : ": " + detail)};
  return std::nullopt;
}

void appendEscaped(std::string& out, const std::string& json, std::size_t& i) {
  const char c = json[i];
  switch (c) {
    case 'n':
      out += '\n';
      break;
    case 't':
      out += '\t';
      break;
    case 'r':
      out += '\r';
      break;
    case 'b':
      out += '\b';
      break;
    case 'f':
      out += '\f';
      break;
    case 'u':
      // Token responses are ASCII; other code points are kept as their escape.
      if (i + 4 < json.size()) {
        const long value = std::strtol(json.substr(i + 1, 4).c_str(), nullptr, 16);
        if (value < 0x80)
          out += static_cast<char>(value);
        else
          out += "\\u" + json.substr(i + 1, 4);
        i += 4;
      }
      break;
    default:
      out += c;
  }
}

}  // namespace

std::optional<std::string> jsonMember(const std::string& json, const std::string& name) {
  const std::string quoted = "\"" + name + "\"";
  for (std::size_t at = json.find(quoted); at != std::string::npos;
       at = json.find(quoted, at + 1)) {
    std::size_t i = json.find_first_not_of(" \t\r\n", at + quoted.size());
    if (i == std::string::npos || json[i] != ':') continue;
    i = json.find_first_not_of(" \t\r\n", i + 1);
    if (i == std::string::npos) return std::nullopt;
    if (json[i] != '"') {
      const std::size_t end = json.find_first_of(",} \t\r\n", i);
      return json.substr(i, end == std::string::npos ? std::string::npos : end - i);
    }
    std::string value;
    for (++i; i < json.size() && json[i] != '"'; ++i) {
      if (json[i] == '\\' && i + 1 < json.size()) {
        ++i;
        appendEscaped(value, json, i);
      } else {
        value += json[i];
      }
    }
    return value;
  }
  return std::nullopt;
}

std::optional<std::string> OAuthTokens::accessToken(const OAuthLogin& login, bool fresh,
                                                    bool& fromMemory, TokenFailure& failure,
                                                    int timeoutSeconds) {
  fromMemory = false;
  // One refresh at a time: a provider that replaces the refresh token withdraws the old one,
  // so a second refresh running alongside with the old token would be refused.
  static std::mutex refreshing;
  std::lock_guard<std::mutex> holdRefresh(refreshing);
  OAuthLogin current = login;
  current.refreshToken = RefreshTokenRotations::newest(login.refreshToken);
  const std::string key = cacheKey(current);
  if (!fresh) {
    std::lock_guard<std::mutex> hold(cacheLock());
    auto kept = cache().find(key);
    if (kept != cache().end() && kept->second.expires - kExpiryMargin > Clock::now()) {
      fromMemory = true;
      return kept->second.token;
    }
  }
  auto grant = requestToken(current.tokenUrl,
                            {{"grant_type", "refresh_token"},
                             {"refresh_token", current.refreshToken},
                             {"client_id", current.clientId},
                             {"client_secret", current.clientSecret}},
                            failure, timeoutSeconds);
  if (grant && !grant->refreshToken.empty() && grant->refreshToken != current.refreshToken) {
    RefreshTokenRotations::record(current.refreshToken, grant->refreshToken);
    current.refreshToken = grant->refreshToken;
  }
  std::lock_guard<std::mutex> hold(cacheLock());
  cache().erase(key);
  if (!grant) return std::nullopt;
  cache()[cacheKey(current)] = {grant->accessToken,
                                Clock::now() + std::chrono::seconds(grant->expiresInSeconds)};
  return grant->accessToken;
}

std::optional<TokenGrant> OAuthTokens::exchangeCode(const OAuthLogin& client,
                                                    const std::string& code,
                                                    const std::string& verifier,
                                                    const std::string& redirectUri,
                                                    TokenFailure& failure, int timeoutSeconds) {
  return requestToken(client.tokenUrl,
                      {{"grant_type", "authorization_code"},
                       {"code", code},
                       {"code_verifier", verifier},
                       {"redirect_uri", redirectUri},
                       {"client_id", client.clientId},
                       {"client_secret", client.clientSecret}},
                      failure, timeoutSeconds);
}

void OAuthTokens::forgetAll() {
  std::lock_guard<std::mutex> hold(cacheLock());
  cache().clear();
}

}  // namespace tidewell::mail
