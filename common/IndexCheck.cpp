#include "common/IndexCheck.h"

#include <cstdio>
#include <limits>
#include <stdexcept>

void ThrowListEmpty(LONG index)
{
    char message[96];
    std::snprintf(message, sizeof message, "Index %ld is not in the list. The list is empty", static_cast<long>(index));
    throw std::out_of_range(message);
}

void ThrowIndexOutOfRange(LONG index, LONG first, LONG last)
{
    char message[128];
    std::snprintf(message, sizeof message, "Index %ld is not in the list's range [%ld to %ld].",
                  static_cast<long>(index), static_cast<long>(first), static_cast<long>(last));
    throw std::out_of_range(message);
}

void CheckListIndex(LONG index, size_t count)
{
    if (count == 0)
        ThrowListEmpty(index);
    const long long last = count > static_cast<size_t>(std::numeric_limits<LONG>::max())
                               ? std::numeric_limits<LONG>::max()
                               : static_cast<long long>(count) - 1;
    if (index < 0 || index > last)
        ThrowIndexOutOfRange(index, 0, static_cast<LONG>(last));
}
