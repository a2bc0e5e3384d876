// One send, shared by the calling thread and its worker thread.
#pragma once

#include "service/InetCurl.h"
#include "service/InetCurlErrors.h"
#include "service/InetReplyText.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

namespace InetStuff {

struct SendRequest {
    std::string url;         // scheme, host, port and path only
    std::string soapAction;  // goes between double quotes into the SOAPAction header
    std::string bytes;       // the enveloped request body
    std::string caFile;      // trusted certificates; empty: libcurl's default
    std::string caDir;
};

// The caller and the worker both hold the job through a shared_ptr, so the
// request bytes, the header list and the curl handles stay valid for the
// worker however long it runs, also after the caller has given up on it.
// The worker drives the transfer on a curl multi handle; Abandon() wakes its
// poll, so an abandoned worker notices within one loop turn and ends.
class SendJob {
public:
    using Deadline = std::optional<std::chrono::steady_clock::time_point>;  // empty: no limit

    // More reply bytes than this end the transfer: an endless reply must not
    // eat all memory.
    static constexpr std::size_t MaxReplyBytes = std::size_t{64} << 20;

    // Makes and configures the handles; throws InetException.
    explicit SendJob(SendRequest request);
    SendJob(const SendJob&) = delete;
    SendJob& operator=(const SendJob&) = delete;
    ~SendJob();

    // Worker thread: runs the transfer to its end, releases the handles and
    // wakes the caller.
    void Run() noexcept;

    // Waits until the transfer has ended or a status other than 200 has
    // arrived (either decides the call); false when the deadline came first.
    // A 200 status does not wake the caller: its body is usually right
    // behind it, and one wake-up per call is cheaper than two.
    bool WaitForOutcome(const Deadline& deadline);
    // True once the transfer has ended; false when the deadline came first.
    bool WaitForEnd(const Deadline& deadline);
    // Asks the worker to stop as soon as it can; does not wait for it.
    void Abandon() noexcept;
    bool Ended() const;

    // The final status line, once its headers have arrived.
    struct StatusLine {
        long code;
        std::chrono::steady_clock::time_point arrived;
    };
    std::optional<StatusLine> Status() const;

    // After WaitForEnd.
    struct Outcome {
        CurlFailure failure;
        bool replyTooLong = false;
        bool outOfMemory = false;
    };
    Outcome Result() const;
    std::string TakeReply();

private:
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    void Configure();
    bool WaitFor(const Deadline& deadline, bool (SendJob::*ready)() const);
    bool OutcomeKnown() const { return ended_ || (status_ && status_->code != 200); }
    bool EndReached() const { return ended_; }

    const SendRequest request_;
    CurlList headers_;
    CurlEasy easy_;
    CurlMulti multi_;
    std::atomic<bool> abandoned_{false};

    // Worker only until ended_ is published.
    InetReplyText reply_;
    std::size_t received_ = 0;
    bool replyTooLong_ = false;
    bool outOfMemory_ = false;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<StatusLine> status_;
    bool ended_ = false;
    CurlFailure failure_;
};

} // namespace InetStuff
