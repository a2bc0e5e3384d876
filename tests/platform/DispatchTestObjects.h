// Objects behind the interfaces of DispatchTest.idl, built on DispatchObject
// so that every call in the late-binding tests runs the generic Invoke.
#pragma once

#include "platform/ComObject.h"
#include "typelib/DispatchTestLib.h"

#include <set>
#include <string>
#include <utility>

// Fails with `code` after leaving error information (`description`, source
// "DispatchTest") for the calling thread.
HRESULT FailWithErrorInfo(HRESULT code, const char16_t* description, const IID& iid);

class CTestPeer : public DispatchObject<CTestPeer, ITestPeer> {
public:
    static const CoClassDescription& CoClass() { return TestPeer_CoClass; }
    // The peer leaves error information but does not claim to support it.
    HRESULT InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

    std::string lastCalled;

    HRESULT get_Name(BSTR* value) override;
    HRESULT put_Name(BSTR value) override;
    HRESULT Fail(LONG code) override;

private:
    BStr name_{u"peer"};
};

class CTestDispatch : public DispatchObject<CTestDispatch, ITestDispatch> {
public:
    static const CoClassDescription& CoClass() { return TestDispatch_CoClass; }

    // The C++ member that ran last ("get_Cell", "Add", ...).
    std::string lastCalled;
    std::set<std::pair<LONG, LONG>> cells;
    int nothingCalls = 0;
    std::string anyAssignedBy; // "put" or "putref"
    ComPtr<IDispatch> any;
    ComPtr<ITestPeer> peer;
    BStr text{u"text"};

    HRESULT Add(LONG a, LONG b, LONG* sum) override;
    HRESULT get_Cell(LONG row, LONG col, VARIANT_BOOL* value) override;
    HRESULT put_Cell(LONG row, LONG col, VARIANT_BOOL value) override;
    HRESULT Defaults(LONG n, BSTR s, DOUBLE d, VARIANT_BOOL b, DispatchTestEnum e, VARIANT v, BSTR* received) override;
    HRESULT Echo(VARIANT v, VARIANT* result) override;
    HRESULT Types(SHORT i2, FLOAT r4, DOUBLE r8, BSTR s, VARIANT_BOOL b, INT i, BSTR* received) override;
    HRESULT get_Short(SHORT* value) override;
    HRESULT get_Real(DOUBLE* value) override;
    HRESULT get_Text(BSTR* value) override;
    HRESULT put_Text(BSTR value) override;
    HRESULT get_Flag(VARIANT_BOOL* value) override;
    HRESULT get_Peer(ITestPeer** value) override;
    HRESULT putref_Peer(ITestPeer* value) override;
    HRESULT get_Any(IDispatch** value) override;
    HRESULT put_Any(IDispatch* value) override;
    HRESULT putref_Any(IDispatch* value) override;
    HRESULT PeerName(ITestPeer* peer, BSTR* name) override;
    HRESULT Fail(LONG code, BSTR description) override;
    HRESULT Swap(LONG* number, BSTR* text) override;
    HRESULT get_Kind(DispatchTestEnum* value) override;
    HRESULT get_Single(FLOAT* value) override;
    HRESULT Nothing() override;
    HRESULT get_Unknown(IUnknown** value) override;
    HRESULT Fetch(LONG* number, BSTR* text) override;
    HRESULT Wide(LONG a1, LONG a2, LONG a3, LONG a4, LONG a5, LONG a6, LONG a7, LONG a8, LONG a9, LONG a10,
                 LONG* sum) override;
    HRESULT Unnumbered(LONG* value) override;
};

// An event sink: a dispinterface implemented on DispatchObject.
class CTestEvents : public DispatchObject<CTestEvents, _DTestEvents> {
public:
    static const CoClassDescription& CoClass();

    std::string lastCalled;
    SHORT level = 0;
    std::string pings;

    HRESULT get_Level(SHORT* value) override;
    HRESULT put_Level(SHORT value) override;
    HRESULT Ping(LONG n) override;
    HRESULT Check(BSTR s, VARIANT_BOOL* result) override;
};

// Creates an object of class T and returns its interface I.
template <typename T, typename I = typename T::PrimaryInterface>
ComPtr<I> MakeTestObject()
{
    ComPtr<I> object;
    T::CreateInstance(nullptr, I::iid, object.OutVoid());
    return object;
}

// The implementation behind an interface pointer made by MakeTestObject.
template <typename T>
T& Implementation(typename T::PrimaryInterface* object)
{
    return *static_cast<T*>(object);
}
