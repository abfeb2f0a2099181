#include "mail/oauth_sign_in.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace tidewell::mail {

namespace {

constexpr char kUnreserved[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";

std::string randomText(std::size_t length) {
  unsigned char bytes[128];
  if (length > sizeof bytes || RAND_bytes(bytes, static_cast<int>(length)) != 1) std::abort();
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text += kUnreserved[bytes[i] % 66];
  return text;
}

std::string percentEncoded(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::string_view(kUnreserved).find(static_cast<char>(c)) != std::string_view::npos) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string percentDecoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

void answer(int client, const std::string& status, const std::string& text) {
  const std::string page = "<!doctype html><html><body><p>" + text + "</p></body></html>";
  const std::string reply = "HTTP/1.1 " + status +
                            "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                            std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
  ssize_t ignored = ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
  (void)ignored;
}

// The request target of the first request line, read within the time left.
std::optional<std::string> requestTarget(int client, int timeoutMs) {
  std::string request;
  char buffer[2048];
  while (request.find("\r\n") == std::string::npos && request.size() < 16384) {
    pollfd watch{client, POLLIN, 0};
    if (::poll(&watch, 1, timeoutMs) <= 0) return std::nullopt;
    const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return std::nullopt;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t first = request.find(' ');
  const std::size_t second = request.find(' ', first + 1);
  if (first == std::string::npos || second == std::string::npos) return std::nullopt;
  return request.substr(first + 1, second - first - 1);
}

}  // namespace

std::string pkceChallenge(const std::string& verifier) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(verifier.data()), verifier.size(), digest);
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (unsigned char byte : digest) {
    bits = (bits << 8) | byte;
    count += 8;
    while (count >= 6) {
      count -= 6;
      out += alphabet[(bits >> count) & 63];
    }
  }
  if (count > 0) out += alphabet[(bits << (6 - count)) & 63];
  return out;
}

std::optional<std::string> queryParameter(const std::string& target, const std::string& name) {
  const std::size_t question = target.find('?');
  if (question == std::string::npos) return std::nullopt;
  std::string query = target.substr(question + 1);
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(start, end - start);
    const std::size_t equals = pair.find('=');
    if (percentDecoded(pair.substr(0, equals)) == name)
      return equals == std::string::npos ? std::string() : percentDecoded(pair.substr(equals + 1));
    start = end + 1;
  }
  return std::nullopt;
}

LoopbackSignIn::LoopbackSignIn(SignInClient client)
    : m_client(std::move(client)), m_verifier(randomText(64)), m_state(randomText(24)) {}

LoopbackSignIn::~LoopbackSignIn() {
  if (m_socket >= 0) ::close(m_socket);
}

bool LoopbackSignIn::listen(std::string& error) {
  m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(m_socket, 4) != 0 ||
      ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = "no port on 127.0.0.1 could be opened for the sign-in's redirect";
    return false;
  }
  m_port = ntohs(address.sin_port);
  return true;
}

std::string LoopbackSignIn::redirectUri() const {
  return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

std::string LoopbackSignIn::authorizationUrl() const {
  const char separator = m_client.authUrl.find('?') == std::string::npos ? '?' : '&';
  std::string url = m_client.authUrl + separator +
                    "response_type=code&client_id=" + percentEncoded(m_client.token.clientId) +
                    "&redirect_uri=" + percentEncoded(redirectUri()) +
                    "&scope=" + percentEncoded(m_client.scopes) +
                    "&code_challenge=" + pkceChallenge(m_verifier) +
                    "&code_challenge_method=S256&state=" + m_state;
  if (!m_client.extraParams.empty()) url += "&" + m_client.extraParams;
  return url;
}

std::optional<std::string> LoopbackSignIn::awaitCode(int timeoutSeconds, TokenFailure& failure) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd watch{m_socket, POLLIN, 0};
    if (left <= 0 || ::poll(&watch, 1, static_cast<int>(left)) <= 0) {
      failure = {false, "no answer from the browser within " + std::to_string(timeoutSeconds) +
                            " seconds"};
      return std::nullopt;
    }
    const int client = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    auto target = requestTarget(client, 5000);
    // Browsers also ask for /favicon.ico and the like: only the redirect with our state counts.
    if (!target || queryParameter(*target, "state") != m_state) {
      answer(client, "404 Not Found", "Not the sign-in.");
      ::close(client);
      continue;
    }
    auto code = queryParameter(*target, "code");
    if (!code || code->empty()) {
      const std::string why = queryParameter(*target, "error").value_or("no code");
      answer(client, "200 OK", "The sign-in was not completed (" + why + ").");
      ::close(client);
      failure = {true, "the provider did not grant access: " + why};
      return std::nullopt;
    }
    answer(client, "200 OK", "Tidewell is signed in. You can close this window.");
    ::close(client);
    return code;
  }
}

std::optional<TokenGrant> LoopbackSignIn::finish(int timeoutSeconds, TokenFailure& failure) {
  auto code = awaitCode(timeoutSeconds, failure);
  if (!code) return std::nullopt;
  auto grant =
      OAuthTokens::exchangeCode(m_client.token, *code, m_verifier, redirectUri(), failure, 60);
  if (grant && grant->refreshToken.empty()) {
    failure = {true, "the provider granted no refresh token (offline access was not given)"};
    return std::nullopt;
  }
  return grant;
}

}  // namespace tidewell::mail
