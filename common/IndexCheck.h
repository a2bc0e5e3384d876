// The index checks of list-like members and their two messages.
#pragma once

#include "platform/Types.h"

// "Index %ld is not in the list. The list is empty"
[[noreturn]] void ThrowListEmpty(LONG index);
// "Index %ld is not in the list's range [%ld to %ld]."
[[noreturn]] void ThrowIndexOutOfRange(LONG index, LONG first, LONG last);

// A position in a list of `count` members (0 to count - 1).
void CheckListIndex(LONG index, size_t count);
