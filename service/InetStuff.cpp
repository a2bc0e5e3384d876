#include "service/InetStuff.h"

#include "service/InetEnvelope.h"
#include "service/InetSendJob.h"
#include "service/InetTexts.h"
#include "service/InetUrl.h"
#include "service/InetWorkers.h"
#include "service/XmlText.h"

#include <cstdlib>
#include <memory>
#include <system_error>
#include <thread>

namespace InetStuff {

namespace {

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

SendJob::Deadline DeadlineAfter(std::uint32_t timeoutMs)
{
    if (timeoutMs == NoTimeLimit)
        return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

// The worker of one call. Leaving the call joins a worker whose transfer has
// ended; any other is abandoned and handed to AbandonedWorkers, never waited
// for here.
class Worker {
public:
    explicit Worker(std::shared_ptr<SendJob> job) : job_(std::move(job))
    {
        try {
            thread_ = std::thread([job = job_] { job->Run(); });
        } catch (const std::system_error&) {
            throw InetException("HttpSendRequest", 0);
        }
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    ~Worker()
    {
        if (job_->Ended()) {
            thread_.join();
            return;
        }
        job_->Abandon();
        try {
            AbandonedWorkers::Instance().Adopt(std::move(thread_), job_);
        } catch (...) {
            // The thread holds its own share of the job: safe to let it go.
            if (thread_.joinable())
                thread_.detach();
        }
    }

private:
    std::shared_ptr<SendJob> job_;
    std::thread thread_;
};

[[noreturn]] void ThrowTransferFailure(std::string_view step, const SendJob::Outcome& outcome, const std::string& url)
{
    if (outcome.outOfMemory)
        throw std::bad_alloc();
    if (outcome.replyTooLong)
        throw InetException("Reply too long accessing " + url);
    throw InetException(step, InetErrorFromCurl(outcome.failure));
}

void ThrowIfSoapFault(const std::string& reply)
{
    const std::string fault = XmlStuff::ExtractElement(reply, "SOAP-ENV:Fault");
    if (!fault.empty())
        throw InetException(XmlStuff::InnerText(XmlStuff::ExtractElement(fault, "faultstring")));
}

} // namespace

std::string PostSoapRequest(const std::string& url, const std::string& soapAction, const std::string& body,
                            std::uint32_t timeoutMs)
{
    AbandonedWorkers::Instance().ReapEnded();

    const InetUrl target = CrackUrl(url);
    // The action goes into a header line: a line break would add headers.
    if (soapAction.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw InetException("The SOAP action contains a line break or a zero byte.");

    auto job = std::make_shared<SendJob>(SendRequest{
        target.RequestUrl(),
        soapAction,
        WrapInSoapEnvelope(body),
        EnvironmentText("SSL_CERT_FILE"),
        EnvironmentText("SSL_CERT_DIR"),
    });
    Worker worker(job);

    // The send (up to the reply's status and headers) has timeoutMs; the
    // body has timeoutMs more from the moment the status arrived.
    const SendJob::Deadline sendDeadline = DeadlineAfter(timeoutMs);
    if (!job->WaitForOutcome(sendDeadline)) {
        const auto status = job->Status();
        if (!status || status->arrived > *sendDeadline)
            throw InetException("Connection timeout accessing " + url);
        if (!job->WaitForEnd(status->arrived + std::chrono::milliseconds(timeoutMs)))
            throw InetException("InternetReadFile", InetError::Timeout);
    }

    const auto status = job->Status();
    if (!status) {
        // libcurl ends a reply whose headers stop short with success.
        const SendJob::Outcome outcome = job->Result();
        if (outcome.failure.result == CURLE_OK)
            throw InetException("HttpSendRequest", InetError::ConnectionAborted);
        ThrowTransferFailure("HttpSendRequest", outcome, url);
    }
    if (status->code <= 0)
        throw InetException("Unknown response code returned for url: " + url);
    if (status->code != 200)
        throw InetException("Error " + StatusText(status->code) + " accessing " + url);

    const SendJob::Outcome outcome = job->Result();
    if (outcome.failure.result != CURLE_OK)
        ThrowTransferFailure("InternetReadFile", outcome, url);

    std::string reply = job->TakeReply();
    ThrowIfSoapFault(reply);
    return reply;
}

} // namespace InetStuff
