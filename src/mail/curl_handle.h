#pragma once
// Owning handles for libcurl objects: an easy handle is one connection's state (one POP3
// session or one SMTP connection), a string list carries recipients. Used on the transfer
// thread only; libcurl's global set-up is done once per process on first use.
#include <curl/curl.h>

#include <memory>
#include <string>

namespace tidewell::mail {

struct CurlEasyDeleter {
  // curl_easy_cleanup sends QUIT on a live POP3 or SMTP connection.
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlSlistPtr = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// A new easy handle, or null when libcurl could not be set up.
CurlEasyPtr newCurlEasy();

// What POP3 and SMTP sessions share: the certificates to trust (the system's when caFile is
// empty) and the server time-out. Greeting, CAPA, STARTTLS and AUTH count as connect time; a
// stalled reply or transfer is cut by the response time-out and the low-speed limit rather than
// a cap on the whole transfer, so a large message on a slow line still gets through.
void applyServerLimits(CURL* handle, const std::string& caFile, int timeoutSeconds);

}  // namespace tidewell::mail
