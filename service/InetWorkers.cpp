#include "service/InetWorkers.h"

#include "service/InetCurl.h"
#include "service/InetSendJob.h"

namespace InetStuff {

AbandonedWorkers& AbandonedWorkers::Instance()
{
    // libcurl (and OpenSSL's exit handler) is set up before the registry, so
    // the registry is torn down first and its workers end while libcurl is
    // still whole.
    EnsureCurlGlobal();
    static AbandonedWorkers instance;
    return instance;
}

void AbandonedWorkers::Adopt(std::thread worker, std::shared_ptr<SendJob> job)
{
    {
        std::lock_guard lock(mutex_);
        workers_.push_back(Worker{std::move(worker), std::move(job)});
    }
    ReapEnded();
}

void AbandonedWorkers::ReapEnded()
{
    std::list<Worker> ended;
    {
        std::lock_guard lock(mutex_);
        for (auto it = workers_.begin(); it != workers_.end();) {
            auto next = std::next(it);
            if (it->job->Ended())
                ended.splice(ended.end(), workers_, it);
            it = next;
        }
    }
    // Ended() is set just before the thread function returns: these joins
    // are short.
    for (auto& worker : ended)
        worker.thread.join();
}

std::size_t AbandonedWorkers::Count() const
{
    std::lock_guard lock(mutex_);
    return workers_.size();
}

AbandonedWorkers::~AbandonedWorkers()
{
    for (auto& worker : workers_)
        worker.job->Abandon();
    for (auto& worker : workers_)
        worker.thread.join();
}

} // namespace InetStuff
