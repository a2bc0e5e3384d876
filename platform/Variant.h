// The automation VARIANT: a 2-byte type tag, three reserved words and a
// 16-byte value union (24 bytes in all, as on the platform's 64-bit ABI).
#pragma once

#include "platform/Bstr.h"
#include "platform/Types.h"

#include <string>
#include <utility>

struct IUnknown;
struct IDispatch;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_USERDEFINED = 29,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct CY {
    LONGLONG int64;
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        ULONGLONG ullVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        signed char cVal;
        USHORT uiVal;
        ULONG ulVal;
        INT intVal;
        UINT uintVal;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        CY* pcyVal;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
        INT* pintVal;
        UINT* puintVal;
        void* byref;
        struct {
            void* pvRecord;
            void* pRecInfo;
        } record;
    };
};
using VARIANTARG = VARIANT;

static_assert(sizeof(VARIANT) == 24, "VARIANT keeps the platform's layout");

// VariantChangeType flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x1;
constexpr USHORT VARIANT_ALPHABOOL = 0x2;
constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x4;
constexpr USHORT VARIANT_LOCALBOOL = 0x10;

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* destination, const VARIANT* source);
// Copies, following one level of VT_BYREF into a plain value.
HRESULT VariantCopyInd(VARIANT* destination, const VARIANT* source);
// Converts source into destination (which may be the same variant) under the
// en-US rules: strings to numbers and back, banker's rounding of reals to
// integers, Null refused with a type mismatch, Empty as zero or empty text.
HRESULT VariantChangeType(VARIANT* destination, const VARIANT* source, USHORT flags, VARTYPE type);
HRESULT VariantChangeTypeEx(VARIANT* destination, const VARIANT* source, LCID lcid, USHORT flags, VARTYPE type);

// Owns one VARIANT; clears it on destruction.
class Variant : public VARIANT {
public:
    Variant() { VariantInit(this); }
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    explicit Variant(const VARIANT& other);
    ~Variant() { VariantClear(this); }
    Variant& operator=(Variant other) noexcept;

    static Variant FromLong(LONG value);
    static Variant FromBool(bool value);
    static Variant FromDouble(double value);
    static Variant FromString(std::u16string_view text);
    static Variant Null();
    // Takes a reference of its own on the interface.
    static Variant FromDispatch(IDispatch* object);
    static Variant FromUnknown(IUnknown* object);

    void Clear() { VariantClear(this); }
    // Clears and gives the address for an out parameter.
    VARIANT* Out()
    {
        VariantClear(this);
        return this;
    }
    // Hands the value to the caller, leaving this Empty.
    VARIANT Detach();
};
