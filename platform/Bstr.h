// Automation strings: UTF-16, length-prefixed (byte count in the 4 bytes
// before the text) and zero-terminated, owned by whoever receives them.
#pragma once

#include "platform/Types.h"

#include <string>
#include <string_view>
#include <utility>

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength);
INT SysReAllocString(BSTR* target, const OLECHAR* text);
INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// Length of a zero-terminated UTF-16 text.
size_t OleStrLen(const OLECHAR* text);

// Owns one BSTR.
class BStr {
public:
    BStr() = default;
    explicit BStr(const OLECHAR* text) : value_(text ? SysAllocString(text) : nullptr) {}
    explicit BStr(std::u16string_view text);
    BStr(const BStr& other) : value_(other.value_ ? SysAllocStringLen(other.value_, other.Length()) : nullptr) {}
    BStr(BStr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    ~BStr() { SysFreeString(value_); }

    BStr& operator=(BStr other) noexcept
    {
        std::swap(value_, other.value_);
        return *this;
    }

    // Takes ownership of a BSTR handed out by someone else.
    static BStr Attach(BSTR text)
    {
        BStr b;
        b.value_ = text;
        return b;
    }
    // Hands ownership to the caller (for out parameters).
    BSTR Detach() { return std::exchange(value_, nullptr); }
    // Frees the current text and gives the address for an out parameter.
    BSTR* Out()
    {
        SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }

    BSTR Get() const { return value_; }
    UINT Length() const { return SysStringLen(value_); }
    bool IsNull() const { return value_ == nullptr; }
    std::u16string_view View() const { return value_ ? std::u16string_view(value_, Length()) : std::u16string_view(); }

private:
    BSTR value_ = nullptr;
};
