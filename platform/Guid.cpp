#include "platform/Guid.h"

#include <cstdio>

std::string GuidToString(REFGUID g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::optional<GUID> GuidFromString(std::string_view text)
{
    return guid_detail::Parse(text);
}

int StringFromGUID2(REFGUID g, LPOLESTR buffer, int capacity)
{
    std::string s = GuidToString(g);
    if (!buffer || capacity < static_cast<int>(s.size()) + 1)
        return 0;
    for (size_t i = 0; i < s.size(); ++i)
        buffer[i] = static_cast<OLECHAR>(s[i]);
    buffer[s.size()] = 0;
    return static_cast<int>(s.size()) + 1;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid)
{
    if (!text || !clsid)
        return E_INVALIDARG;
    std::string narrow;
    for (const OLECHAR* p = text; *p && narrow.size() <= 40; ++p) {
        if (*p > 0x7F)
            return CO_E_CLASSSTRING;
        narrow.push_back(static_cast<char>(*p));
    }
    if (narrow.size() != 38) {
        *clsid = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    auto g = guid_detail::Parse(narrow);
    if (!g) {
        *clsid = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    *clsid = *g;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR text, IID* iid)
{
    HRESULT hr = CLSIDFromString(text, iid);
    return hr == CO_E_CLASSSTRING ? E_INVALIDARG : hr;
}
