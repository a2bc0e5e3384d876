// The position walk shared by the grid's line and column walks and the region
// commands: from start toward end by step, both ends inclusive.
#pragma once

#include <cstdint>

namespace TsScanner {

// Calls visit(position) for start, start ± step, ... up to and including end,
// upward when start <= end and downward otherwise; visit returns false to stop.
// The walk runs in 64 bits, so a step near the 32-bit limit cannot wrap; every
// visited position lies between start and end and so fits 32 bits.
template <typename Visit>
void WalkPositions(int32_t start, int32_t end, int64_t step, Visit&& visit)
{
    if (step < 1)
        step = 1;
    if (start <= end) {
        for (int64_t p = start; p <= end; p += step)
            if (!visit(static_cast<int32_t>(p)))
                return;
    } else {
        for (int64_t p = start; p >= end; p -= step)
            if (!visit(static_cast<int32_t>(p)))
                return;
    }
}

inline int64_t Distance(int64_t a, int64_t b) { return a < b ? b - a : a - b; }

}  // namespace TsScanner
