// The platform's core interfaces. Each is an abstract class whose pure
// virtual functions follow the declared order of the binary contract; none
// has a virtual destructor. Every interface names its own identifier as
// the static member `iid`.
#pragma once

#include "platform/Guid.h"
#include "platform/Types.h"
#include "platform/Variant.h"

struct IUnknown {
    static constexpr IID iid = MakeGuid("{00000000-0000-0000-C000-000000000046}");
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    static constexpr IID iid = MakeGuid("{00000001-0000-0000-C000-000000000046}");
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};

struct DISPPARAMS {
    VARIANTARG* rgvarg;       // arguments in reverse order
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

struct ITypeInfo;
struct ITypeLib;

struct IDispatch : IUnknown {
    static constexpr IID iid = MakeGuid("{00020400-0000-0000-C000-000000000046}");
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argumentError) = 0;
};

struct ISupportErrorInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{DF0B3D60-548F-101B-8E65-08002B2BD119}");
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

struct IErrorInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{1CF2B120-547D-101B-8E65-08002B2BD119}");
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{22F03340-547D-101B-8E65-08002B2BD119}");
    virtual HRESULT SetGUID(REFGUID guid) = 0;
    virtual HRESULT SetSource(LPOLESTR source) = 0;
    virtual HRESULT SetDescription(LPOLESTR description) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};

// Stand-in for the platform's marshaling interface. There are no apartments
// here, so an object that aggregates the free-threaded marshaler simply
// answers for this interface; nothing is ever marshaled.
struct IMarshal : IUnknown {
    static constexpr IID iid = MakeGuid("{00000003-0000-0000-C000-000000000046}");
};

// Running-state support (OleRun asks for it; in-process objects are always running).
struct IRunnableObject : IUnknown {
    static constexpr IID iid = MakeGuid("{00000126-0000-0000-C000-000000000046}");
};

template <typename T>
constexpr const IID& IidOf()
{
    return T::iid;
}
