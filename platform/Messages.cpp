// The system message table: one text for each result code and Win32 error
// this platform and its components report.
#include "platform/Messages.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {
struct MessageEntry {
    uint32_t code;
    const char* text;
};

// Plain Win32 error numbers; their FACILITY_WIN32 result codes (0x8007xxxx)
// share the text.
constexpr MessageEntry kWin32Messages[] = {
    {0, "The operation succeeded.\r\n"},
    {2, "The file could not be found.\r\n"},
    {3, "The path could not be found.\r\n"},
    {5, "Access was refused.\r\n"},
    {6, "The handle is not valid.\r\n"},
    {8, "There is not enough memory to carry out this command.\r\n"},
    {11, "The file is not a program or module of a format this system can load.\r\n"},
    {14, "There is not enough memory to complete this operation.\r\n"},
    {87, "A parameter is not valid.\r\n"},
    {126, "The module could not be found.\r\n"},
    {127, "The entry point could not be found in the module.\r\n"},
};

constexpr MessageEntry kResultMessages[] = {
    {0x80004001, "This operation is not implemented.\r\n"},
    {0x80004002, "The object does not support the requested interface.\r\n"},
    {0x80004003, "A pointer that is not valid was given.\r\n"},
    {0x80004004, "The operation was aborted.\r\n"},
    {0x80004005, "The operation failed for an unspecified reason.\r\n"},
    {0x8000FFFF, "A failure occurred that was not expected.\r\n"},
    {0x80020001, "The interface is not known.\r\n"},
    {0x80020003, "The member was not found.\r\n"},
    {0x80020004, "A parameter was not found.\r\n"},
    {0x80020005, "The types do not match.\r\n"},
    {0x80020006, "The name is not known.\r\n"},
    {0x80020007, "Named arguments are not supported.\r\n"},
    {0x80020008, "The variable type is not valid.\r\n"},
    {0x80020009, "An exception occurred.\r\n"},
    {0x8002000A, "The value is out of the present range.\r\n"},
    {0x8002000B, "The index is not valid.\r\n"},
    {0x8002000C, "The locale identifier is not known.\r\n"},
    {0x8002000D, "The memory is locked.\r\n"},
    {0x8002000E, "The number of parameters is not valid.\r\n"},
    {0x8002000F, "A parameter that is not optional was left out.\r\n"},
    {0x80020012, "An attempt was made to divide by zero.\r\n"},
    {0x8002801D, "The library is not registered.\r\n"},
    {0x8002802B, "The element was not found.\r\n"},
    {0x80029C4A, "An error occurred while loading the type library or module.\r\n"},
    {0x80040110, "This class does not support aggregation.\r\n"},
    {0x80040111, "The class factory cannot provide the requested class.\r\n"},
    {0x80040150, "The configuration registry could not be read.\r\n"},
    {0x80040151, "The configuration registry could not be written.\r\n"},
    {0x80040152, "A key is missing from the configuration registry.\r\n"},
    {0x80040154, "The class is not registered.\r\n"},
    {0x80040155, "The interface is not registered.\r\n"},
    {0x80040200, "The type library could not be registered or unregistered.\r\n"},
    {0x80040201, "The class could not be registered or unregistered.\r\n"},
    {0x800401F3, "The class string is not valid.\r\n"},
    {0x800401F8, "The module that serves the class could not be found.\r\n"},
    {0x800401F9, "The module that serves the class reported an error.\r\n"},
};

const char* Find(const MessageEntry* begin, const MessageEntry* end, uint32_t code)
{
    for (const MessageEntry* p = begin; p != end; ++p)
        if (p->code == code)
            return p->text;
    return nullptr;
}

const char* Lookup(uint32_t code)
{
    constexpr uint32_t kWin32Facility = 0x80070000;
    if (code <= 0xFFFF)
        return Find(std::begin(kWin32Messages), std::end(kWin32Messages), code);
    // 0x80070000 is no error: a Win32 success folds into S_OK, not into it.
    if ((code & 0xFFFF0000) == kWin32Facility)
        return (code & 0xFFFF) ? Find(std::begin(kWin32Messages), std::end(kWin32Messages), code & 0xFFFF) : nullptr;
    return Find(std::begin(kResultMessages), std::end(kResultMessages), code);
}
} // namespace

std::optional<std::string> SystemMessageText(HRESULT code)
{
    if (const char* text = Lookup(static_cast<uint32_t>(code)))
        return std::string(text);
    return std::nullopt;
}

DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, char* buffer, DWORD size, void*)
{
    // Only texts from the system table exist here; the texts hold no inserts.
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || size == 0)
        return 0;
    const char* text = Lookup(messageId);
    if (!text)
        return 0;
    size_t length = std::min<size_t>(std::strlen(text), size - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}
