#include "mail/smtp_session.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tidewell::mail {

namespace {

// Servers commonly drop idle clients after one to five minutes; a connection idle for longer
// than this is not reused, so the common case never sees a dead connection.
constexpr long kMaxIdleSeconds = 30;

}  // namespace

size_t SmtpSession::readFrom(char* buffer, size_t size, size_t count, void* uploadPointer) {
  auto* upload = static_cast<Upload*>(uploadPointer);
  const size_t n = std::min(size * count, upload->data->size() - upload->offset);
  std::memcpy(buffer, upload->data->data() + upload->offset, n);
  upload->offset += n;
  return n;
}

SmtpSession::SmtpSession(SmtpSettings settings, bool implicitTls)
    : m_settings(std::move(settings)),
      m_implicitTls(implicitTls),
      m_trust(m_settings.pinnedCertificate) {}

std::string SmtpSession::url() const {
  // The path is the name given in EHLO.
  return std::string(m_implicitTls ? "smtps://" : "smtp://") + m_settings.host + ":" +
         std::to_string(m_settings.port) + "/localhost";
}

bool SmtpSession::setUp() {
  m_handle = newCurlEasy();
  if (!m_handle) {
    m_lastError = "SMTP: libcurl could not be set up";
    return false;
  }
  CURL* h = m_handle.get();
  m_transcript.attach(h);
  const std::string address = url();
  curl_easy_setopt(h, CURLOPT_URL, address.c_str());
  const bool logIn = m_settings.authentication != 0 && !m_settings.user.empty();
  // With credentials TLS is required: libcurl skips AUTH silently when a plain-text server does
  // not offer it, and the password must not cross the network in clear.
  const bool requireTls = m_settings.ssl || logIn;
  curl_easy_setopt(h, CURLOPT_USE_SSL, requireTls ? CURLUSESSL_ALL : CURLUSESSL_TRY);
  if (logIn) {
    curl_easy_setopt(h, CURLOPT_USERNAME, m_settings.user.c_str());
    if (m_settings.oauth.used()) {
      // libcurl copies string options.
      const std::string mechanism = "AUTH=" + m_settings.oauth.mechanism;
      curl_easy_setopt(h, CURLOPT_XOAUTH2_BEARER, m_settings.oauth.bearerToken.c_str());
      curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, mechanism.c_str());
    } else {
      curl_easy_setopt(h, CURLOPT_PASSWORD, m_settings.password.c_str());
      if (m_settings.spa) curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, "AUTH=NTLM");
    }
  }
  applyServerLimits(h, m_settings.caFile, m_settings.timeoutSeconds);
  m_trust.attach(h);
  curl_easy_setopt(h, CURLOPT_MAXAGE_CONN, kMaxIdleSeconds);
  curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, &readFrom);
  return true;
}

int SmtpSession::replyCode() const {
  const std::string& reply = m_transcript.lastRefusal();
  if (reply.size() < 3 || !std::isdigit(static_cast<unsigned char>(reply[0])) ||
      !std::isdigit(static_cast<unsigned char>(reply[1])) ||
      !std::isdigit(static_cast<unsigned char>(reply[2]))) {
    return 0;
  }
  return std::stoi(reply.substr(0, 3));
}

CURL* SmtpSession::begin(const std::string& from, const std::string& to, const std::string& data) {
  m_lastReply = {};
  if (!m_handle && !setUp()) {
    m_lastReply.connectionFailed = true;
    return nullptr;
  }
  CURL* h = m_handle.get();
  // The one place where a message's envelope is set.
  m_reversePath = "<" + from + ">";
  m_to = to;
  m_recipients.reset(curl_slist_append(nullptr, ("<" + to + ">").c_str()));
  m_upload = {&data, 0};
  m_freshTried = false;
  curl_easy_setopt(h, CURLOPT_MAIL_FROM, m_reversePath.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, m_recipients.get());
  curl_easy_setopt(h, CURLOPT_READDATA, &m_upload);
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
  m_transcript.clear();
  return h;
}

void SmtpSession::release() {
  CURL* h = m_handle.get();
  // The list dies here: make sure the handle no longer points at it.
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, nullptr);
  curl_easy_setopt(h, CURLOPT_READDATA, nullptr);
  curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 0L);
  m_recipients.reset();
}

SmtpSession::Step SmtpSession::finish(CURLcode code) {
  m_lastCode = code;
  if (code == CURLE_OK) {
    release();
    return Step::kAccepted;
  }
  if (!m_freshTried && connectionWasDropped(code)) {
    m_freshTried = true;
    curl_easy_setopt(m_handle.get(), CURLOPT_FRESH_CONNECT, 1L);
    m_upload.offset = 0;
    m_transcript.clear();
    return Step::kAgain;
  }
  const int reply = replyCode();
  m_lastError = "SMTP send to " + m_to + ": " + m_transcript.describe(code);
  if (m_trust.refused()) m_lastError += "; " + m_trust.refusalText();
  // Without a refusal of its own the message met a server that could not be reached or would
  // not let us in: every message after it would fail the same way.
  const bool refused = reply >= 400 && reply < 600 && code != CURLE_LOGIN_DENIED;
  m_lastReply = {refused ? reply : 0, refused ? m_transcript.lastRefusal() : std::string(),
                 !refused};
  release();
  return Step::kRefused;
}

bool SmtpSession::connectionWasDropped(CURLcode code) const {
  // A refusal of the message (a 4xx or 5xx reply) also ends as a send error, but the
  // connection is still there.
  const int reply = replyCode();
  if (reply == 421) return true;
  return (code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING) &&
         (reply < 400 || reply >= 600);
}

bool SmtpSession::send(const std::string& from, const std::string& to, const std::string& data) {
  CURL* h = begin(from, to, data);
  if (!h) return false;
  for (;;) {
    Step step = finish(curl_easy_perform(h));
    if (step != Step::kAgain) return step == Step::kAccepted;
  }
}

}  // namespace tidewell::mail
