#include "service/InetCurlErrors.h"

#include <gtest/gtest.h>

#include <openssl/x509_vfy.h>

#include <cerrno>

namespace {

using InetStuff::CurlFailure;
using InetStuff::InetErrorFromCurl;

// Failures a loopback test cannot stage (name resolution, resets) are
// checked on the mapping itself.
TEST(InetErrorFromCurl, MapsLibcurlFailuresOntoTransportCodes)
{
    struct Case {
        CurlFailure failure;
        std::uint32_t code;
    };
    const Case cases[] = {
        {{CURLE_COULDNT_RESOLVE_HOST}, 12007},
        {{CURLE_COULDNT_CONNECT}, 12029},
        {{CURLE_OPERATION_TIMEDOUT}, 12002},
        {{CURLE_RECV_ERROR, ECONNRESET}, 12031},
        {{CURLE_SEND_ERROR, EPIPE}, 12031},
        {{CURLE_RECV_ERROR, EIO}, 12030},
        {{CURLE_PARTIAL_FILE}, 12030},
        {{CURLE_GOT_NOTHING}, 12030},
        {{CURLE_WEIRD_SERVER_REPLY}, 12152},
        {{CURLE_URL_MALFORMAT}, 12005},
        {{CURLE_ABORTED_BY_CALLBACK}, 12017},
        {{CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_CERT_HAS_EXPIRED}, 12037},
        {{CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_CERT_NOT_YET_VALID}, 12037},
        {{CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY}, 12045},
        {{CURLE_PEER_FAILED_VERIFICATION, 0, X509_V_ERR_CERT_SIGNATURE_FAILURE}, 12038},
        {{CURLE_SSL_CACERT_BADFILE}, 12045},
        {{CURLE_SSL_CONNECT_ERROR}, 12157},
        {{CURLE_TOO_MANY_REDIRECTS}, static_cast<std::uint32_t>(CURLE_TOO_MANY_REDIRECTS)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InetErrorFromCurl(c.failure), c.code) << curl_easy_strerror(c.failure.result);
}

} // namespace
