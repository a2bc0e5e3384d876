// Certificates for HTTPS tests, made once per process with OpenSSL in a
// temporary folder that is removed at exit.
#pragma once

#include "tests/support/HttpPeer.h"

#include <string>

namespace tstest {

struct TestCertificates {
    // Host name on the server certificates: deliberately not 127.0.0.1, the
    // address the tests connect to.
    static constexpr const char* HostName = "quiz.example.invalid";

    std::string directory;
    std::string caFile;               // the test CA; trust it with SSL_CERT_FILE
    HttpPeer::TlsFiles valid;         // issued by the CA, valid now
    HttpPeer::TlsFiles expired;       // issued by the CA, expired yesterday
    HttpPeer::TlsFiles clientOnly;    // issued by the CA for client authentication only
    HttpPeer::TlsFiles selfSigned;    // issued by itself: trusted by nobody

    static const TestCertificates& Get();
};

} // namespace tstest
