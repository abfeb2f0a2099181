#include "mail/pop3_session.h"

#include <poll.h>
#include <sys/socket.h>

#include <cctype>
#include <cerrno>
#include <sstream>

namespace tidewell::mail {

namespace {

size_t appendTo(char* data, size_t size, size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

bool isNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

Pop3Session::Pop3Session(PopSettings settings, bool implicitTls)
    : m_settings(std::move(settings)),
      m_implicitTls(implicitTls),
      m_trust(m_settings.pinnedCertificate) {}

std::string Pop3Session::url(const std::string& path) const {
  return std::string(m_implicitTls ? "pop3s://" : "pop3://") + m_settings.host + ":" +
         std::to_string(m_settings.port) + "/" + path;
}

bool Pop3Session::setUp() {
  m_handle = newCurlEasy();
  if (!m_handle) {
    m_lastError = "POP3: libcurl could not be set up";
    return false;
  }
  CURL* h = m_handle.get();
  m_transcript.attach(h);
  curl_easy_setopt(h, CURLOPT_USERNAME, m_settings.user.c_str());
  // Unticked SSL still upgrades when the server offers STLS; pop3s:// ignores this. A bearer
  // token is as good as the account's password: it never crosses the network in clear.
  curl_easy_setopt(h, CURLOPT_USE_SSL, tlsRequired() ? CURLUSESSL_ALL : CURLUSESSL_TRY);
  const std::string mechanism = "AUTH=" + m_settings.oauth.mechanism;
  if (m_settings.oauth.used()) {
    curl_easy_setopt(h, CURLOPT_XOAUTH2_BEARER, m_settings.oauth.bearerToken.c_str());
    curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, mechanism.c_str());
  } else {
    curl_easy_setopt(h, CURLOPT_PASSWORD, m_settings.password.c_str());
    if (m_settings.spa) curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, "AUTH=NTLM");
  }
  applyServerLimits(h, m_settings.caFile, m_settings.timeoutSeconds);
  m_trust.attach(h);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendTo);
  return true;
}

bool Pop3Session::tlsRequired() const {
  return m_settings.ssl || m_settings.oauth.used();
}

bool Pop3Session::connectionLost() const {
  curl_socket_t socket = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(m_handle.get(), CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK) return true;
  if (socket == CURL_SOCKET_BAD) return true;
  // libcurl keeps a connection the server has closed until it next uses it: between commands
  // a POP3 server sends nothing, so end-of-stream or an error on the socket means it is gone.
  pollfd watch{socket, POLLIN, 0};
  if (::poll(&watch, 1, 0) <= 0) return false;
  if (watch.revents & (POLLERR | POLLNVAL)) return true;
  char byte = 0;
  const ssize_t peeked = ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

bool Pop3Session::perform(const std::string& what, const std::string& path, std::string* sink) {
  // libcurl would quietly open a new connection, which is a new session with other message
  // numbers and a fresh set of deletions: refuse instead.
  if (m_connected && (m_dropped || connectionLost())) {
    m_dropped = true;
    m_lastError = "POP3 " + what + ": the server closed the session";
    return false;
  }
  CURL* h = m_handle.get();
  const std::string address = url(path);
  curl_easy_setopt(h, CURLOPT_URL, address.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEDATA, sink);
  m_transcript.clear();
  const CURLcode code = curl_easy_perform(h);
  m_lastCode = code;
  if (code != CURLE_OK) {
    m_lastError = "POP3 " + what + ": " + m_transcript.describe(code);
    if (code == CURLE_USE_SSL_FAILED && !m_settings.ssl && m_settings.oauth.used()) {
      m_lastError = "POP3 " + what +
                    ": the server offers no STLS, and the OAuth2 sign-in is never sent over a "
                    "plain connection: tick SSL (port 995) in Server Settings";
    }
    if (m_trust.refused()) m_lastError += "; " + m_trust.refusalText();
    // A refused command leaves a live session usable; a broken connection does not.
    if (m_connected) m_dropped = connectionLost();
    return false;
  }
  m_connected = true;
  return true;
}

std::optional<std::vector<std::string>> Pop3Session::listUidls() {
  if (!m_handle && !setUp()) return std::nullopt;
  std::string listing;
  curl_easy_setopt(m_handle.get(), CURLOPT_CUSTOMREQUEST, "UIDL");
  const bool ok = perform("log-in and UIDL", "", &listing);
  curl_easy_setopt(m_handle.get(), CURLOPT_CUSTOMREQUEST, nullptr);
  if (!ok) return std::nullopt;
  std::vector<std::string> uidls;
  parseListing(listing, uidls);
  listSizes();
  return uidls;
}

void Pop3Session::listSizes() {
  m_sizes.clear();
  std::string listing;
  const std::string error = m_lastError;
  curl_easy_setopt(m_handle.get(), CURLOPT_CUSTOMREQUEST, "LIST");
  const bool ok = perform("LIST", "", &listing);
  curl_easy_setopt(m_handle.get(), CURLOPT_CUSTOMREQUEST, nullptr);
  // LIST is one of the commands every POP3 server must answer. Should one refuse it all the
  // same, libcurl drops the connection and the first RETR reports the closed session.
  m_lastError = error;
  if (!ok) return;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string number, size;
    fields >> number >> size;
    if (isNumber(number) && isNumber(size)) m_sizes[std::stoi(number)] = std::stoull(size);
  }
}

// Over TLS a server that stops half way can look like the end of the message (its closing
// alert is still unread); the size LIST gave shows it. Undoing the dot-stuffing took one octet
// from every line that starts with a dot.
bool Pop3Session::shorterThanListed(int number, const std::string& message) const {
  auto listed = m_sizes.find(number);
  if (listed == m_sizes.end()) return false;
  std::size_t stuffed = message.rfind('.', 0) == 0 ? 1 : 0;
  for (std::size_t at = message.find("\n."); at != std::string::npos;
       at = message.find("\n.", at + 2)) {
    ++stuffed;
  }
  return message.size() + stuffed < listed->second;
}

void Pop3Session::parseListing(const std::string& listing, std::vector<std::string>& uidls) {
  m_numbers.clear();
  m_warnings.clear();
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    std::string number, uidl, extra;
    fields >> number >> uidl >> extra;
    if (!isNumber(number) || uidl.empty() || !extra.empty()) {
      m_warnings += "POP3 UIDL: skipped line \"" + line + "\"\n";
      continue;
    }
    // A UIDL listed twice would make RETR ambiguous; the first number wins.
    if (m_numbers.emplace(uidl, std::stoi(number)).second) uidls.push_back(uidl);
  }
}

std::optional<int> Pop3Session::numberOf(const std::string& uidl) {
  if (!m_handle || !m_connected) {
    m_lastError = "POP3: no session open; list the UIDLs first";
    return std::nullopt;
  }
  auto found = m_numbers.find(uidl);
  if (found == m_numbers.end()) {
    m_lastError = "POP3: UIDL \"" + uidl + "\" is not in the mailbox listing";
    return std::nullopt;
  }
  return found->second;
}

std::optional<std::string> Pop3Session::retrieve(const std::string& uidl) {
  const auto number = numberOf(uidl);
  if (!number) return std::nullopt;
  std::string message;
  if (!perform("RETR " + std::to_string(*number), std::to_string(*number), &message))
    return std::nullopt;
  // A server that closes the connection in the middle of a message ends the transfer without
  // an error (libcurl takes end-of-stream for the end of the body); only the closed
  // connection tells that the message is cut short.
  if (connectionLost()) {
    m_dropped = true;
    m_lastError = "POP3 RETR " + std::to_string(*number) + ": the server closed the session";
    return std::nullopt;
  }
  if (shorterThanListed(*number, message)) {
    m_dropped = true;
    m_lastError = "POP3 RETR " + std::to_string(*number) + ": the message arrived cut short (" +
                  std::to_string(message.size()) + " of " + std::to_string(m_sizes.at(*number)) +
                  " octets)";
    return std::nullopt;
  }
  return message;
}

bool Pop3Session::markDeleted(const std::string& uidl) {
  const auto number = numberOf(uidl);
  if (!number) return false;
  CURL* h = m_handle.get();
  std::string ignored;
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "DELE");
  curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  const bool ok = perform("DELE " + std::to_string(*number), std::to_string(*number), &ignored);
  // Both options are sticky and would turn the next RETR into another DELE.
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
  curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
  return ok;
}

void Pop3Session::end() {
  m_handle.reset();
  m_numbers.clear();
  m_sizes.clear();
  m_connected = false;
  m_dropped = false;
}

}  // namespace tidewell::mail
