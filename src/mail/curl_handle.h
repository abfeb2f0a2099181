#pragma once
// Owning handles for libcurl objects: an easy handle is one connection's state (one POP3
// session or one SMTP connection), a string list carries recipients. Used on the transfer
// thread only; libcurl's global set-up is done once per process on first use.
#include <curl/curl.h>

#include <memory>

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

}  // namespace tidewell::mail
