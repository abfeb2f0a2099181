#include "mail/curl_handle.h"

#include <mutex>

namespace tidewell::mail {

CurlEasyPtr newCurlEasy() {
  // curl_global_init is not thread-safe, and two transfer threads may start at once.
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  if (!ready) return nullptr;
  return CurlEasyPtr(curl_easy_init());
}

void applyServerLimits(CURL* handle, const std::string& caFile, int timeoutSeconds) {
  if (!caFile.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.c_str());
  const long timeout = timeoutSeconds > 0 ? timeoutSeconds : 60;
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timeout);
  curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeout);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
}

}  // namespace tidewell::mail
