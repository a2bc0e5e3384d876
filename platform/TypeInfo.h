// Type information objects and late binding driven by them.
//
// ITypeInfo and ITypeLib here carry only what late binding, hosts and
// registration need; their layout is our own (no client outside this
// platform calls them through a vtable of another shape).
#pragma once

#include "platform/ComPtr.h"
#include "platform/Interfaces.h"
#include "platform/TypeDescription.h"

struct ITypeInfo : IUnknown {
    static constexpr IID iid = MakeGuid("{00020401-0000-0000-C000-000000000046}");
    // Names compare without regard to case; names[0] is the member,
    // names[1..] its parameters (DISP_E_UNKNOWNNAME for any not found).
    virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
    // Calls the member on `instance` (a pointer to the interface this type
    // information describes): finds the function for id and flags, checks and
    // coerces the arguments, fills optional ones, calls the vtable slot and
    // turns [out, retval] into the result. A failing member's result code is
    // returned as DISP_E_EXCEPTION with `exception` filled from the thread's
    // error information.
    virtual HRESULT Invoke(void* instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argumentError) = 0;
    virtual HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString, DWORD* helpContext,
                                     BSTR* helpFile) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) = 0;
    // The interface this type information describes (stays valid while the
    // type information is alive).
    virtual const InterfaceDescription* Description() = 0;
};

struct ITypeLib : IUnknown {
    static constexpr IID iid = MakeGuid("{00020402-0000-0000-C000-000000000046}");
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
    // By interface or coclass identifier; a coclass answers with its default interface.
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
    virtual HRESULT GetDocumentation(INT index, BSTR* name, BSTR* docString, DWORD* helpContext,
                                     BSTR* helpFile) = 0;
    virtual const TypeLibDescription* Description() = 0;
};

// A type library object over a description compiled into the calling module.
HRESULT CreateTypeLibFromDescription(const TypeLibDescription* description, ITypeLib** library);

// Finds the library under HKEY_CLASSES_ROOT\TypeLib\{libid}\<major>.<minor>\0\win32
// (a module path), loads that module and asks its exported
// `TsGetTypeLibDescription` for the tables. The library object keeps the
// module loaded while it lives. TYPE_E_LIBNOTREGISTERED when not registered.
HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** library);

// Writes / removes the TypeLib and Interface registry entries of a library
// whose tables live in the module at modulePath.
HRESULT RegisterTypeLibDescription(const TypeLibDescription* description, const char* modulePath);
HRESULT UnRegisterTypeLibDescription(const TypeLibDescription* description);

// Calls vtable slot `vtableIndex` of `instance` with the given argument types
// and values (the platform's DispCallFunc, for the default calling convention);
// the member's return value lands in `result` as `returnType`.
HRESULT DispCallFunc(void* instance, UINT vtableIndex, VARTYPE returnType, UINT argumentCount,
                     const VARTYPE* argumentTypes, VARIANTARG** argumentValues, VARIANT* result);

// Name of the module-level export that hands out a module's type library tables.
constexpr const char* kTypeLibExport = "TsGetTypeLibDescription";
using GetTypeLibDescriptionFunction = const TypeLibDescription* (*)();
