// Globally unique identifiers: the 16-byte layout of the binary contract,
// parsing from and formatting to the registry form "{XXXXXXXX-XXXX-...}".
#pragma once

#include "platform/Types.h"

#include <optional>
#include <string>
#include <string_view>

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
    friend constexpr bool operator<(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
        if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
        if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return a.Data4[i] < b.Data4[i];
        return false;
    }
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID GUID_NULL{};

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

namespace guid_detail {
constexpr int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses "{8-4-4-4-12}" or the same without braces; nullopt on any other text.
constexpr std::optional<GUID> Parse(std::string_view s)
{
    if (s.size() == 38) {
        if (s.front() != '{' || s.back() != '}')
            return std::nullopt;
        s = s.substr(1, 36);
    }
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        return std::nullopt;
    auto hex = [&](size_t pos, size_t len, uint64_t& out) {
        out = 0;
        for (size_t i = pos; i < pos + len; ++i) {
            int d = HexDigit(s[i]);
            if (d < 0) return false;
            out = out * 16 + static_cast<uint64_t>(d);
        }
        return true;
    };
    GUID g{};
    uint64_t v = 0;
    if (!hex(0, 8, v)) return std::nullopt;
    g.Data1 = static_cast<uint32_t>(v);
    if (!hex(9, 4, v)) return std::nullopt;
    g.Data2 = static_cast<uint16_t>(v);
    if (!hex(14, 4, v)) return std::nullopt;
    g.Data3 = static_cast<uint16_t>(v);
    const size_t bytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) {
        if (!hex(bytePos[i], 2, v)) return std::nullopt;
        g.Data4[i] = static_cast<uint8_t>(v);
    }
    return g;
}
} // namespace guid_detail

// A GUID from a literal, checked at compile time: MakeGuid("{...}").
consteval GUID MakeGuid(const char* text)
{
    std::string_view s(text);
    auto g = guid_detail::Parse(s);
    if (!g)
        throw "malformed GUID literal";
    return *g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the registry holds it.
std::string GuidToString(REFGUID g);
std::optional<GUID> GuidFromString(std::string_view text);

// The platform's own forms: StringFromGUID2 writes 39 characters including the
// terminator; CLSIDFromString accepts only the braced form.
int StringFromGUID2(REFGUID g, LPOLESTR buffer, int capacity);
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
HRESULT IIDFromString(LPCOLESTR text, IID* iid);
