#include "service/InetCurlErrors.h"

#include "service/InetTexts.h"

#include <openssl/x509_vfy.h>

#include <cerrno>

namespace InetStuff {

namespace {

std::uint32_t FromCertificateCheck(long verifyResult)
{
    switch (verifyResult) {
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
        return InetError::CertificateDateInvalid;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        return InetError::CertificateAuthorityInvalid;
    default:
        return InetError::CertificateInvalid;
    }
}

std::uint32_t FromBrokenConnection(long osErrno)
{
    return osErrno == ECONNRESET || osErrno == EPIPE ? InetError::ConnectionReset : InetError::ConnectionAborted;
}

} // namespace

std::uint32_t InetErrorFromCurl(const CurlFailure& failure)
{
    switch (failure.result) {
    case CURLE_URL_MALFORMAT:
        return InetError::InvalidUrl;
    case CURLE_NOT_BUILT_IN:
        return InetError::UnrecognizedScheme;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return InetError::NameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return InetError::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return InetError::Timeout;
    case CURLE_ABORTED_BY_CALLBACK:
        return InetError::OperationCancelled;
    // The scheme is checked before the transfer starts, so an unsupported
    // protocol here is a reply that is not HTTP at all.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    // libcurl reports a reply header beyond its size limit as out of memory.
    case CURLE_OUT_OF_MEMORY:
        return InetError::InvalidServerResponse;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return InetError::ConnectionAborted;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return FromBrokenConnection(failure.osErrno);
    case CURLE_PEER_FAILED_VERIFICATION:
        return FromCertificateCheck(failure.verifyResult);
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return InetError::CertificateAuthorityInvalid;
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return InetError::CertificateInvalid;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CLIENTCERT:
        return InetError::SecureChannelError;
    case CURLE_FAILED_INIT:
    case CURLE_UNRECOVERABLE_POLL:
        return InetError::InternalError;
    default:
        return static_cast<std::uint32_t>(failure.result);
    }
}

} // namespace InetStuff
