// Owning handles for libcurl objects, and libcurl's one-time set-up.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace InetStuff {

struct CurlEasyDeleter {
    void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const noexcept { curl_multi_cleanup(multi); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

// Initialises libcurl (and with it OpenSSL) once per process, before any
// handle is made; safe to call from any thread.
void EnsureCurlGlobal();

} // namespace InetStuff
