#include "service/InetSendJob.h"

#include "service/InetException.h"
#include "service/InetTexts.h"

#include <new>
#include <utility>

namespace InetStuff {

namespace {

// How long the worker sleeps in one poll when nothing happens; Abandon()
// and socket activity wake it earlier.
constexpr int PollIntervalMs = 1000;

void AppendHeader(CurlList& list, const std::string& line)
{
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown)
        throw std::bad_alloc();
    (void)list.release();
    list.reset(grown);
}

} // namespace

SendJob::SendJob(SendRequest request) : request_(std::move(request))
{
    EnsureCurlGlobal();
    easy_.reset(curl_easy_init());
    multi_.reset(curl_multi_init());
    if (!easy_ || !multi_)
        throw InetException("InternetOpen", InetError::OutOfHandles);
    Configure();
}

SendJob::~SendJob()
{
    // Run() normally releases the handles; this covers a job whose worker
    // never started.
    if (multi_ && easy_)
        curl_multi_remove_handle(multi_.get(), easy_.get());
}

void SendJob::Configure()
{
    AppendHeader(headers_, "Content-Type: text/xml; charset=utf-8");
    AppendHeader(headers_, "SOAPAction: \"" + request_.soapAction + "\"");
    // Headers libcurl would add on its own; the request carries none of them.
    AppendHeader(headers_, "Accept:");
    AppendHeader(headers_, "Expect:");

    CURL* easy = easy_.get();
    auto set = [](CURLcode rc) {
        if (rc != CURLE_OK)
            throw InetException("HttpOpenRequest", InetErrorFromCurl({rc}));
    };
    set(curl_easy_setopt(easy, CURLOPT_URL, request_.url.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L));
    // A direct connection: no proxy, whatever the environment says.
    set(curl_easy_setopt(easy, CURLOPT_PROXY, ""));
    set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(easy, CURLOPT_USERAGENT, "Tessaly"));
    set(curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0)));
    set(curl_easy_setopt(easy, CURLOPT_HTTP09_ALLOWED, 0L));
    set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L));
    set(curl_easy_setopt(easy, CURLOPT_POST, 1L));
    set(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request_.bytes.data()));
    set(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_.bytes.size())));
    set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_.get()));
    // The chain is verified; the name on the certificate is not.
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L));
    if (!request_.caFile.empty())
        set(curl_easy_setopt(easy, CURLOPT_CAINFO, request_.caFile.c_str()));
    if (!request_.caDir.empty())
        set(curl_easy_setopt(easy, CURLOPT_CAPATH, request_.caDir.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &SendJob::OnHeader));
    set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, this));
    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &SendJob::OnBody));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, this));
}

std::size_t SendJob::OnHeader(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* job = static_cast<SendJob*>(self);
    const std::size_t length = size * count;
    if (job->abandoned_.load(std::memory_order_relaxed))
        return 0;
    const bool blankLine = length == 0 || data[0] == '\r' || data[0] == '\n';
    if (!blankLine)
        return length;

    long status = 0;
    curl_easy_getinfo(job->easy_.get(), CURLINFO_RESPONSE_CODE, &status);
    // After an interim 1xx reply the final one follows on the same connection.
    if (status >= 100 && status < 200)
        return length;
    {
        std::lock_guard lock(job->mutex_);
        job->status_ = StatusLine{status, std::chrono::steady_clock::now()};
    }
    if (status != 200)
        job->changed_.notify_all();
    return length;
}

std::size_t SendJob::OnBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* job = static_cast<SendJob*>(self);
    const std::size_t length = size * count;
    if (job->abandoned_.load(std::memory_order_relaxed))
        return 0;
    if (length > MaxReplyBytes - job->received_) {
        job->replyTooLong_ = true;
        return 0;
    }
    try {
        job->reply_.Append(data, length);
    } catch (const std::bad_alloc&) {
        job->outOfMemory_ = true;
        return 0;
    }
    job->received_ += length;
    return length;
}

void SendJob::Run() noexcept
{
    CURLM* multi = multi_.get();
    CURL* easy = easy_.get();
    CurlFailure failure;

    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        failure.result = CURLE_FAILED_INIT;
    } else {
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                failure.result = CURLE_UNRECOVERABLE_POLL;
                break;
            }
            bool done = false;
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE) {
                    failure.result = message->data.result;
                    done = true;
                }
            }
            if (done)
                break;
            if (abandoned_.load()) {
                failure.result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl_multi_poll(multi, nullptr, 0, PollIntervalMs, nullptr) != CURLM_OK) {
                failure.result = CURLE_UNRECOVERABLE_POLL;
                break;
            }
        }
        curl_multi_remove_handle(multi, easy);
    }
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &failure.osErrno);
    curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &failure.verifyResult);

    // The connection is closed here, not when the last owner lets go of the
    // job, so an abandoned call's socket does not linger. It is closed before
    // the end is announced, so the caller's join that follows is short.
    CurlEasy releasedEasy;
    CurlMulti releasedMulti;
    {
        std::lock_guard lock(mutex_);
        releasedEasy = std::move(easy_);
        releasedMulti = std::move(multi_);
    }
    releasedEasy.reset();
    releasedMulti.reset();
    {
        std::lock_guard lock(mutex_);
        failure_ = failure;
        ended_ = true;
    }
    changed_.notify_all();
}

void SendJob::Abandon() noexcept
{
    abandoned_.store(true);
    std::lock_guard lock(mutex_);
    if (multi_)
        curl_multi_wakeup(multi_.get());
}

bool SendJob::WaitFor(const Deadline& deadline, bool (SendJob::*ready)() const)
{
    std::unique_lock lock(mutex_);
    auto isReady = [this, ready] { return (this->*ready)(); };
    if (!deadline) {
        changed_.wait(lock, isReady);
        return true;
    }
    return changed_.wait_until(lock, *deadline, isReady);
}

bool SendJob::WaitForOutcome(const Deadline& deadline) { return WaitFor(deadline, &SendJob::OutcomeKnown); }

bool SendJob::WaitForEnd(const Deadline& deadline) { return WaitFor(deadline, &SendJob::EndReached); }

bool SendJob::Ended() const
{
    std::lock_guard lock(mutex_);
    return ended_;
}

std::optional<SendJob::StatusLine> SendJob::Status() const
{
    std::lock_guard lock(mutex_);
    return status_;
}

SendJob::Outcome SendJob::Result() const
{
    std::lock_guard lock(mutex_);
    return Outcome{failure_, replyTooLong_, outOfMemory_};
}

std::string SendJob::TakeReply()
{
    std::lock_guard lock(mutex_);
    return reply_.Take();
}

} // namespace InetStuff
