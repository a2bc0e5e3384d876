// The HTTP transport: posts SOAP requests to the quiz service.
#pragma once

#include "service/InetException.h"

#include <cstdint>
#include <string>

namespace InetStuff {

// timeoutMs value that waits without limit.
inline constexpr std::uint32_t NoTimeLimit = 0xFFFFFFFF;

// Wraps body in a SOAP 1.1 envelope and POSTs it (HTTP/1.0, no proxy) to url
// with the SOAPAction "soapAction"; returns the reply text of a status-200
// reply that holds no SOAP fault. Throws InetException for everything else.
//
// The send runs on a worker thread. The call waits at most timeoutMs for the
// reply's status and headers ("Connection timeout accessing <url>"), then at
// most timeoutMs more for the rest of the body ("The request has timed
// out."); NoTimeLimit waits without limit. A body of more than 64 MiB fails
// ("Reply too long accessing <url>"). Redirects are not followed.
//
// Certificates are verified against the trust store, which the SSL_CERT_FILE
// and SSL_CERT_DIR variables replace when set; the host name on the
// certificate is not checked.
std::string PostSoapRequest(const std::string& url, const std::string& soapAction, const std::string& body,
                            std::uint32_t timeoutMs);

} // namespace InetStuff
