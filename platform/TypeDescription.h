// Type information as plain constant tables. The type-library generator
// (typelib/) writes one TypeLibDescription per library from its interface
// definition; the generic dispatch, LoadRegTypeLib and registration read it.
#pragma once

#include "platform/Guid.h"
#include "platform/Types.h"

enum PARAMFLAGS : uint16_t {
    PARAMFLAG_NONE = 0,
    PARAMFLAG_FIN = 0x1,
    PARAMFLAG_FOUT = 0x2,
    PARAMFLAG_FRETVAL = 0x8,
    PARAMFLAG_FOPT = 0x10,
    PARAMFLAG_FHASDEFAULT = 0x20,
};

enum INVOKEKIND : uint16_t {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8,
};

struct ParamDescription {
    const char* name;
    // The parameter's type: VT_I4, VT_I2, VT_BOOL, VT_R8, VT_BSTR, VT_VARIANT,
    // VT_DISPATCH, VT_UNKNOWN (interface-typed parameters carry `iid`), or
    // VT_BYREF | one of these for an out parameter. Enumerations are VT_I4.
    VARTYPE vt;
    uint16_t flags;      // PARAMFLAGS
    const IID* iid;      // the interface of an interface-typed parameter, else null
    const char* defaultValue; // [defaultvalue] as literal text, else null
};

struct FuncDescription {
    DISPID id;
    const char* name;
    uint16_t invokeKind;   // INVOKEKIND
    uint16_t vtableIndex;  // slot in the vtable, counting IUnknown and IDispatch (first own member: 7)
    uint16_t paramCount;
    const ParamDescription* params;
};

enum InterfaceFlags : uint16_t {
    INTERFACE_DUAL = 0x1,         // vtable members after IDispatch, also reachable by Invoke
    INTERFACE_DISPINTERFACE = 0x2, // clients reach it only through Invoke; an implementation on
                                   // DispatchObject still has its members in vtableIndex order
};

struct InterfaceDescription {
    const char* name;
    IID iid;
    uint16_t flags;
    uint16_t funcCount;
    const FuncDescription* funcs;
};

struct CoClassDescription {
    const char* name;
    CLSID clsid;
    const char* progId;                  // versioned, e.g. "TsScannerLib.TsScannerData.1"
    const char* versionIndependentProgId;
    const char* description;             // e.g. "TsScannerData Class"
    const InterfaceDescription* defaultInterface;
    const InterfaceDescription* defaultSource; // event interface, or null
};

struct EnumEntryDescription {
    const char* name;
    LONG value;
};

struct EnumDescription {
    const char* name;
    uint16_t entryCount;
    const EnumEntryDescription* entries;
};

struct TypeLibDescription {
    const char* name;
    GUID libid;
    uint16_t majorVersion;
    uint16_t minorVersion;
    LCID lcid;
    const char* helpString;
    uint16_t interfaceCount;
    const InterfaceDescription* const* interfaces;
    uint16_t coclassCount;
    const CoClassDescription* const* coclasses;
    uint16_t enumCount;
    const EnumDescription* const* enums;
};

// Generated per interface: the type library that describes it.
//   template <> struct InterfaceLibrary<ITsScannerData> { static const TypeLibDescription& Get(); };
template <typename Interface>
struct InterfaceLibrary;
