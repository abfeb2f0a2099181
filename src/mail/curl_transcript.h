#pragma once
// Remembers what the server said last on an easy handle, so failures can be reported with the
// server's own words next to libcurl's error text. Owned by a session; transfer thread only.
#include <curl/curl.h>

#include <string>

namespace tidewell::mail {

class CurlTranscript {
 public:
  // Routes the handle's protocol chatter into this transcript; it must outlive the handle's use.
  void attach(CURL* handle);
  void clear();
  const std::string& lastReply() const { return m_lastReply; }
  // The last 4xx or 5xx reply: after a refusal libcurl may still say QUIT and hear "221".
  const std::string& lastRefusal() const { return m_lastRefusal; }
  // libcurl's text for code, the error buffer's detail and the server's last reply.
  std::string describe(CURLcode code) const;

 private:
  static int onDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* self);

  std::string m_lastReply;
  std::string m_lastRefusal;
  char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

}  // namespace tidewell::mail
