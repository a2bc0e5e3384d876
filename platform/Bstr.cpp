#include "platform/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
// Header of 4 bytes holding the byte length, then the text and a terminator.
constexpr size_t kPrefix = sizeof(uint32_t);

BSTR AllocateBytes(const void* source, size_t byteLength)
{
    if (byteLength > std::numeric_limits<uint32_t>::max() - kPrefix - 2 * sizeof(OLECHAR))
        return nullptr;
    // Round up so the terminator is a whole UTF-16 unit even for odd byte lengths.
    size_t total = kPrefix + byteLength + 2 * sizeof(OLECHAR);
    auto* block = static_cast<unsigned char*>(std::malloc(total));
    if (!block)
        return nullptr;
    uint32_t len32 = static_cast<uint32_t>(byteLength);
    std::memcpy(block, &len32, kPrefix);
    if (source)
        std::memcpy(block + kPrefix, source, byteLength);
    else
        std::memset(block + kPrefix, 0, byteLength);
    std::memset(block + kPrefix + byteLength, 0, 2 * sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(block + kPrefix);
}

unsigned char* BlockOf(BSTR text) { return reinterpret_cast<unsigned char*>(text) - kPrefix; }
} // namespace

size_t OleStrLen(const OLECHAR* text)
{
    size_t n = 0;
    if (text)
        while (text[n])
            ++n;
    return n;
}

BSTR SysAllocString(const OLECHAR* text)
{
    if (!text)
        return nullptr;
    size_t n = OleStrLen(text);
    if (n > std::numeric_limits<UINT>::max() / sizeof(OLECHAR))
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(n));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    return AllocateBytes(text, static_cast<size_t>(length) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength)
{
    return AllocateBytes(bytes, byteLength);
}

INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length)
{
    if (!target)
        return 0;
    BSTR fresh = SysAllocStringLen(text, length);
    if (!fresh)
        return 0;
    SysFreeString(*target);
    *target = fresh;
    return 1;
}

INT SysReAllocString(BSTR* target, const OLECHAR* text)
{
    return SysReAllocStringLen(target, text, static_cast<UINT>(OleStrLen(text)));
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(BlockOf(text));
}

UINT SysStringByteLen(BSTR text)
{
    if (!text)
        return 0;
    uint32_t len32;
    std::memcpy(&len32, BlockOf(text), kPrefix);
    return len32;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

BStr::BStr(std::u16string_view text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
