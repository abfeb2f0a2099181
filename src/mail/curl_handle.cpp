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

}  // namespace tidewell::mail
