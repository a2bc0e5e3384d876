// Per-call cost of PostSoapRequest (a new curl session and a worker thread per
// call) against a plain libcurl easy-handle loop doing the same POST, both
// against the same loopback server.
#include "service/InetEnvelope.h"
#include "service/InetStuff.h"
#include "tests/support/HttpPeer.h"
#include "tests/support/TestCertificates.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

const std::string Body = "<ns1:getQuiz xmlns:ns1=\"urn:tessalyQuiz\"><request user_name=\"teacher\" password=\"secret\"/>"
                         "<course id=\"MATH-7B\"/><quiz id=\"42\"/></ns1:getQuiz>";

std::string ReplyText()
{
    std::string reply = std::string(InetStuff::SoapEnvelopeHead) + "<ns1:getQuizResponse><response error_code=\"0\">";
    for (int i = 0; i < 20; ++i)
        reply += "<question id=\"" + std::to_string(i) + "\" text=\"Question number " + std::to_string(i) + "\"/>";
    return reply + "</response></ns1:getQuizResponse>" + std::string(InetStuff::SoapEnvelopeTail);
}

tstest::HttpPeer& Peer(bool secure)
{
    static const std::string reply = ReplyText();
    auto make = [](const tstest::HttpPeer::TlsFiles& tls) {
        auto peer = std::make_unique<tstest::HttpPeer>(tls);
        peer->SetHandler([](const tstest::RecordedRequest&) { return tstest::PeerReply::Ok(reply); });
        return peer;
    };
    static const auto plain = make({});
    static const auto tls = [&] {
        const auto& certificates = tstest::TestCertificates::Get();
        setenv("SSL_CERT_FILE", certificates.caFile.c_str(), 1);
        return make(certificates.valid);
    }();
    return secure ? *tls : *plain;
}

std::size_t Append(char* data, std::size_t size, std::size_t count, void* reply)
{
    static_cast<std::string*>(reply)->append(data, size * count);
    return size * count;
}

// The same request with nothing around it: one easy handle, one blocking perform.
std::string PlainCurlPost(const std::string& url, const std::string& request, const char* caFile)
{
    CURL* easy = curl_easy_init();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: text/xml; charset=utf-8");
    headers = curl_slist_append(headers, "SOAPAction: \"urn:tessalyQuiz\"");
    headers = curl_slist_append(headers, "Accept:");
    headers = curl_slist_append(headers, "Expect:");
    std::string reply;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Tessaly");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.size()));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    if (caFile)
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
    const CURLcode result = curl_easy_perform(easy);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    if (result != CURLE_OK || status != 200)
        throw std::runtime_error(std::string("plain POST failed: ") + curl_easy_strerror(result));
    return reply;
}

void BM_PostSoapRequest(benchmark::State& state)
{
    const bool secure = state.range(0) != 0;
    const std::string url = Peer(secure).Url("/svc/quiz.php");
    for (auto _ : state)
        benchmark::DoNotOptimize(InetStuff::PostSoapRequest(url, "urn:tessalyQuiz", Body, 30000));
}

void BM_PlainCurlPost(benchmark::State& state)
{
    const bool secure = state.range(0) != 0;
    const std::string url = Peer(secure).Url("/svc/quiz.php");
    const std::string request = InetStuff::WrapInSoapEnvelope(Body);
    const char* caFile = std::getenv("SSL_CERT_FILE");
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainCurlPost(url, request, secure ? caFile : nullptr));
}

// The work runs on worker and server threads: wall time is what counts.
BENCHMARK(BM_PostSoapRequest)->ArgName("https")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainCurlPost)->ArgName("https")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
