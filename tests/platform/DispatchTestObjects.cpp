#include "DispatchTestObjects.h"

#include "platform/ErrorInfo.h"

#include <cstdio>

// The test program's own module state (object counts of the objects above).
TS_DEFINE_MODULE_STATE()

namespace {
BSTR Allocate(std::u16string_view text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

std::string Narrow(BSTR text)
{
    std::string out;
    for (UINT i = 0; i < SysStringLen(text); ++i)
        out.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    return out;
}

std::u16string ToWide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string Hex(uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(value));
    return buffer;
}

std::string Format(const char* format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
} // namespace

HRESULT FailWithErrorInfo(HRESULT code, const char16_t* description, const IID& iid)
{
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Out()))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(u"DispatchTest"));
        create->SetDescription(const_cast<LPOLESTR>(description));
        SetErrorInfo(0, create.As<IErrorInfo>().Get());
    }
    return code;
}

// --- CTestPeer

HRESULT CTestPeer::get_Name(BSTR* value)
{
    lastCalled = "get_Name";
    if (!value)
        return E_POINTER;
    *value = Allocate(name_.View());
    return S_OK;
}

HRESULT CTestPeer::put_Name(BSTR value)
{
    lastCalled = "put_Name";
    name_ = BStr(std::u16string_view(value ? value : u"", SysStringLen(value)));
    return S_OK;
}

HRESULT CTestPeer::Fail(LONG code)
{
    lastCalled = "Fail";
    return FailWithErrorInfo(code, u"peer failure", ITestPeer::iid);
}

// --- CTestDispatch

HRESULT CTestDispatch::Add(LONG a, LONG b, LONG* sum)
{
    lastCalled = "Add";
    if (!sum)
        return E_POINTER;
    *sum = a + b;
    return S_OK;
}

HRESULT CTestDispatch::get_Cell(LONG row, LONG col, VARIANT_BOOL* value)
{
    lastCalled = "get_Cell";
    if (!value)
        return E_POINTER;
    *value = cells.count({row, col}) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CTestDispatch::put_Cell(LONG row, LONG col, VARIANT_BOOL value)
{
    lastCalled = "put_Cell";
    if (value)
        cells.insert({row, col});
    else
        cells.erase({row, col});
    return S_OK;
}

HRESULT CTestDispatch::Defaults(LONG n, BSTR s, DOUBLE d, VARIANT_BOOL b, DispatchTestEnum e, VARIANT v,
                                BSTR* received)
{
    lastCalled = "Defaults";
    if (!received)
        return E_POINTER;
    std::string text = std::to_string(n) + "|" + Narrow(s) + "|" + Format("%g", d) + "|" + std::to_string(b) + "|" +
                       std::to_string(e) + "|" + std::to_string(v.vt);
    if (v.vt == VT_ERROR)
        text += ":" + Hex(static_cast<uint32_t>(v.scode));
    else if (v.vt == VT_I4)
        text += ":" + std::to_string(v.lVal);
    *received = Allocate(ToWide(text));
    return S_OK;
}

HRESULT CTestDispatch::Echo(VARIANT v, VARIANT* result)
{
    lastCalled = "Echo";
    if (!result)
        return E_POINTER;
    VariantInit(result);
    return VariantCopy(result, &v);
}

HRESULT CTestDispatch::Types(SHORT i2, FLOAT r4, DOUBLE r8, BSTR s, VARIANT_BOOL b, INT i, BSTR* received)
{
    lastCalled = "Types";
    if (!received)
        return E_POINTER;
    std::string text = std::to_string(i2) + "|" + Format("%g", r4) + "|" + Format("%g", r8) + "|" + Narrow(s) + "|" +
                       std::to_string(b) + "|" + std::to_string(i);
    *received = Allocate(ToWide(text));
    return S_OK;
}

HRESULT CTestDispatch::get_Short(SHORT* value)
{
    lastCalled = "get_Short";
    if (!value)
        return E_POINTER;
    *value = -12345;
    return S_OK;
}

HRESULT CTestDispatch::get_Real(DOUBLE* value)
{
    lastCalled = "get_Real";
    if (!value)
        return E_POINTER;
    *value = 2.75;
    return S_OK;
}

HRESULT CTestDispatch::get_Text(BSTR* value)
{
    lastCalled = "get_Text";
    if (!value)
        return E_POINTER;
    *value = Allocate(text.View());
    return S_OK;
}

HRESULT CTestDispatch::put_Text(BSTR value)
{
    lastCalled = "put_Text";
    text = BStr(std::u16string_view(value ? value : u"", SysStringLen(value)));
    return S_OK;
}

HRESULT CTestDispatch::get_Flag(VARIANT_BOOL* value)
{
    lastCalled = "get_Flag";
    if (!value)
        return E_POINTER;
    *value = VARIANT_TRUE;
    return S_OK;
}

HRESULT CTestDispatch::get_Peer(ITestPeer** value)
{
    lastCalled = "get_Peer";
    return peer.CopyTo(value);
}

HRESULT CTestDispatch::putref_Peer(ITestPeer* value)
{
    lastCalled = "putref_Peer";
    peer = ComPtr<ITestPeer>(value);
    return S_OK;
}

HRESULT CTestDispatch::get_Any(IDispatch** value)
{
    lastCalled = "get_Any";
    return any.CopyTo(value);
}

HRESULT CTestDispatch::put_Any(IDispatch* value)
{
    lastCalled = "put_Any";
    anyAssignedBy = "put";
    any = ComPtr<IDispatch>(value);
    return S_OK;
}

HRESULT CTestDispatch::putref_Any(IDispatch* value)
{
    lastCalled = "putref_Any";
    anyAssignedBy = "putref";
    any = ComPtr<IDispatch>(value);
    return S_OK;
}

HRESULT CTestDispatch::PeerName(ITestPeer* value, BSTR* name)
{
    lastCalled = "PeerName";
    if (!name)
        return E_POINTER;
    if (!value) {
        *name = Allocate(u"(none)");
        return S_OK;
    }
    return value->get_Name(name);
}

HRESULT CTestDispatch::Fail(LONG code, BSTR description)
{
    lastCalled = "Fail";
    if (SysStringLen(description) == 0)
        return code;
    return FailWithErrorInfo(code, description, ITestDispatch::iid);
}

HRESULT CTestDispatch::Swap(LONG* number, BSTR* value)
{
    lastCalled = "Swap";
    if (!number || !value)
        return E_POINTER;
    *number = -*number;
    std::u16string reversed(*value ? *value : u"", SysStringLen(*value));
    reversed.assign(reversed.rbegin(), reversed.rend());
    SysReAllocStringLen(value, reversed.data(), static_cast<UINT>(reversed.size()));
    return S_OK;
}

HRESULT CTestDispatch::get_Kind(DispatchTestEnum* value)
{
    lastCalled = "get_Kind";
    if (!value)
        return E_POINTER;
    *value = DTE_Three;
    return S_OK;
}

HRESULT CTestDispatch::get_Single(FLOAT* value)
{
    lastCalled = "get_Single";
    if (!value)
        return E_POINTER;
    *value = 1.5f;
    return S_OK;
}

HRESULT CTestDispatch::Nothing()
{
    lastCalled = "Nothing";
    ++nothingCalls;
    return S_OK;
}

HRESULT CTestDispatch::get_Unknown(IUnknown** value)
{
    lastCalled = "get_Unknown";
    if (!value)
        return E_POINTER;
    return QueryInterface(IUnknown::iid, reinterpret_cast<void**>(value));
}

HRESULT CTestDispatch::Fetch(LONG* number, BSTR* value)
{
    lastCalled = "Fetch";
    if (!number || !value)
        return E_POINTER;
    *number = 42;
    *value = Allocate(u"fetched");
    return S_OK;
}

HRESULT CTestDispatch::Wide(LONG a1, LONG a2, LONG a3, LONG a4, LONG a5, LONG a6, LONG a7, LONG a8, LONG a9,
                            LONG a10, LONG* sum)
{
    lastCalled = "Wide";
    if (!sum)
        return E_POINTER;
    // Weighted, so a swapped pair of arguments shows.
    *sum = a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 + a8 * 8 + a9 * 9 + a10 * 10;
    return S_OK;
}

HRESULT CTestDispatch::Unnumbered(LONG* value)
{
    lastCalled = "Unnumbered";
    if (!value)
        return E_POINTER;
    *value = 7;
    return S_OK;
}

// --- CTestEvents

const CoClassDescription& CTestEvents::CoClass()
{
    static const CoClassDescription coclass = {
        "TestEvents", MakeGuid("{5E1B7C2A-3F4D-4E8B-9A6C-1D2E3F4051FF}"), nullptr, nullptr, nullptr,
        &_DTestEvents_Interface, nullptr};
    return coclass;
}

HRESULT CTestEvents::get_Level(SHORT* value)
{
    lastCalled = "get_Level";
    if (!value)
        return E_POINTER;
    *value = level;
    return S_OK;
}

HRESULT CTestEvents::put_Level(SHORT value)
{
    lastCalled = "put_Level";
    level = value;
    return S_OK;
}

HRESULT CTestEvents::Ping(LONG n)
{
    lastCalled = "Ping";
    pings += std::to_string(n) + ";";
    return S_OK;
}

HRESULT CTestEvents::Check(BSTR s, VARIANT_BOOL* result)
{
    lastCalled = "Check";
    if (!result)
        return E_POINTER;
    *result = Narrow(s) == "yes" ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
