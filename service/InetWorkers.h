// Keeps the worker threads of calls that gave up on their send (time-out,
// failed status, ...) until those threads have ended.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace InetStuff {

class SendJob;

// An abandoned worker is told to stop (SendJob::Abandon) and handed here; it
// ends within one poll turn. Its thread is joined by the next call that
// reaps, or at the latest when this registry is destroyed at unload or exit,
// which abandons and joins every worker still held, so no worker runs code
// of an unloaded module.
class AbandonedWorkers {
public:
    static AbandonedWorkers& Instance();

    void Adopt(std::thread worker, std::shared_ptr<SendJob> job);
    // Joins the adopted workers whose transfer has ended.
    void ReapEnded();
    // Workers adopted and not yet joined.
    std::size_t Count() const;

    ~AbandonedWorkers();

private:
    AbandonedWorkers() = default;

    struct Worker {
        std::thread thread;
        std::shared_ptr<SendJob> job;
    };
    mutable std::mutex mutex_;
    std::list<Worker> workers_;
};

} // namespace InetStuff
