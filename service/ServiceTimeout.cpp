#include "service/ServiceTimeout.h"

#include <atomic>

namespace Tessaly {

namespace {
// A plain shared value: no ordering with other data is needed, only that a
// write is seen whole by requests sent afterwards.
std::atomic<std::int32_t> timeoutMs{DefaultServiceTimeoutMs};
} // namespace

std::int32_t ServiceTimeoutMs()
{
    return timeoutMs.load(std::memory_order_relaxed);
}

void SetServiceTimeoutMs(std::int32_t milliseconds)
{
    timeoutMs.store(milliseconds, std::memory_order_relaxed);
}

} // namespace Tessaly
