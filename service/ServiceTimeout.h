// The library-wide time-out of service requests, in milliseconds.
//
// One value per loaded copy of the library (the static library is linked into
// each module with hidden visibility, so each module keeps its own), shared
// by every object and every request; it starts at 30000 and is never stored.
#pragma once

#include <cstdint>

namespace Tessaly {

constexpr std::int32_t DefaultServiceTimeoutMs = 30000;

// Read once by each request when it is posted; any value is accepted.
std::int32_t ServiceTimeoutMs();
void SetServiceTimeoutMs(std::int32_t milliseconds);

} // namespace Tessaly
