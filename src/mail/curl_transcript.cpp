#include "mail/curl_transcript.h"

namespace tidewell::mail {

void CurlTranscript::attach(CURL* handle) {
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_errorBuffer);
  curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &CurlTranscript::onDebug);
  curl_easy_setopt(handle, CURLOPT_DEBUGDATA, this);
  // The debug function only runs in verbose mode; with it set nothing goes to stderr.
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
}

void CurlTranscript::clear() {
  m_lastReply.clear();
  m_lastRefusal.clear();
  m_errorBuffer[0] = '\0';
}

std::string CurlTranscript::describe(CURLcode code) const {
  std::string text = curl_easy_strerror(code);
  if (m_errorBuffer[0] != '\0' && text != m_errorBuffer)
    text += " (" + std::string(m_errorBuffer) + ")";
  const std::string& said = m_lastRefusal.empty() ? m_lastReply : m_lastRefusal;
  if (!said.empty()) text += "; server said: " + said;
  return text;
}

int CurlTranscript::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
  // Server replies arrive as header data; message bodies as data and are not kept.
  if (type != CURLINFO_HEADER_IN) return 0;
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.empty()) return 0;
  auto* transcript = static_cast<CurlTranscript*>(self);
  transcript->m_lastReply = line;
  if (line[0] == '4' || line[0] == '5') transcript->m_lastRefusal = line;
  return 0;
}

}  // namespace tidewell::mail
