#include "service/InetStuff.h"
#include "tests/support/HttpPeer.h"
#include "tests/support/ScopedEnvVar.h"
#include "tests/support/TestCertificates.h"

#include <gtest/gtest.h>

namespace {

using InetStuff::InetException;
using InetStuff::PostSoapRequest;
using tstest::HttpPeer;
using tstest::PeerReply;
using tstest::ScopedEnvVar;
using tstest::TestCertificates;

constexpr std::uint32_t Generous = 10000;

std::string Post(const std::string& url)
{
    try {
        return PostSoapRequest(url, "urn:tessalyQuiz", "<ns1:ping/>", Generous);
    } catch (const InetException& error) {
        return "failed: " + error.message;
    }
}

class InetTls : public ::testing::Test {
protected:
    const TestCertificates& certificates = TestCertificates::Get();
    ScopedEnvVar trustTestCa{"SSL_CERT_FILE", certificates.caFile};
    ScopedEnvVar noCaDir{"SSL_CERT_DIR", std::nullopt};
};

TEST_F(InetTls, AcceptsATrustedCertificateMadeOutForAnotherHost)
{
    HttpPeer peer(certificates.valid);
    peer.Enqueue(PeerReply::Ok("<secure/>"));
    peer.Enqueue(PeerReply::Ok("<secure again/>"));
    const std::string capitals = "HTTPS://127.0.0.1:" + std::to_string(peer.Port()) + "/svc";

    EXPECT_EQ(Post(peer.Url("/svc")), "<secure/>");
    EXPECT_EQ(Post(capitals), "<secure again/>");
    ASSERT_EQ(peer.RequestCount(), 2u);
    EXPECT_EQ(peer.Requests()[1].target, "/svc");
    EXPECT_EQ(peer.Requests()[1].version, "HTTP/1.0");
}

TEST_F(InetTls, RefusesCertificatesThatFailTheirCheck)
{
    struct Case {
        const char* what;
        const HttpPeer::TlsFiles& files;
        std::string message;
    };
    const Case cases[] = {
        {"expired", certificates.expired, "failed: Invalid security certificate date."},
        {"for clients only", certificates.clientOnly, "failed: Invalid security certificate."},
        {"self-signed", certificates.selfSigned, "failed: HttpSendRequest: Error: 12045"},
    };
    for (const auto& c : cases) {
        HttpPeer peer(c.files);
        EXPECT_EQ(Post(peer.Url("/svc")), c.message) << c.what;
        EXPECT_EQ(peer.RequestCount(), 0u) << c.what;
    }
}

TEST_F(InetTls, TrustsOnlyTheStoreTheEnvironmentNames)
{
    HttpPeer peer(certificates.valid);
    {
        // The system's own store does not know the test CA.
        ScopedEnvVar systemStore("SSL_CERT_FILE", std::nullopt);
        EXPECT_EQ(Post(peer.Url("/svc")), "failed: HttpSendRequest: Error: 12045");
    }
    {
        ScopedEnvVar otherStore("SSL_CERT_FILE", certificates.selfSigned.certificateFile);
        EXPECT_EQ(Post(peer.Url("/svc")), "failed: HttpSendRequest: Error: 12045");
    }
    EXPECT_EQ(Post(peer.Url("/svc")), "");
}

TEST_F(InetTls, ReportsPlainHttpToATlsServer)
{
    HttpPeer peer(certificates.valid);
    const std::string plain = "http://127.0.0.1:" + std::to_string(peer.Port()) + "/svc";
    // The server drops the connection, unread request bytes and all: a reset
    // or a plain close, depending on what the server had read.
    const std::string message = Post(plain);
    EXPECT_TRUE(message == "failed: The connection with the server has been reset."
                || message == "failed: The connection with the server has been terminated.")
        << message;
}

} // namespace
