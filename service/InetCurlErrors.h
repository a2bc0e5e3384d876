// How a failed libcurl transfer is told to the caller: as the transport's
// error code whose text describes the same failure.
#pragma once

#include <curl/curl.h>

#include <cstdint>

namespace InetStuff {

struct CurlFailure {
    CURLcode result = CURLE_OK;
    long osErrno = 0;       // CURLINFO_OS_ERRNO
    long verifyResult = 0;  // CURLINFO_SSL_VERIFYRESULT: the certificate check's verdict
};

// The InetError code for the failure. A libcurl failure that matches none of
// them is given as libcurl's own code number, which then shows in the
// "<step>: Error: <code>" message.
std::uint32_t InetErrorFromCurl(const CurlFailure& failure);

} // namespace InetStuff
