// VariantChangeType under fixed en-US rules. The value is converted into a
// fresh variant first and only then replaces the destination, so a failure
// leaves the destination as it was and source and destination may coincide.
#include "platform/Interfaces.h"
#include "platform/Variant.h"
#include "platform/VariantNumber.h"
#include "platform/VariantReference.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {
// A scalar source value, read out of its variant once.
struct Scalar {
    enum class Kind { Empty, Bool, Signed, Unsigned, Double, Single, Currency, Text } kind = Kind::Empty;
    int64_t signedValue = 0; // Bool (-1 / 0), Signed, Currency (scaled by 10000)
    uint64_t unsignedValue = 0;
    double realValue = 0;
    std::u16string_view text;
};

Scalar ReadScalar(const VARIANT& v)
{
    Scalar s;
    using K = Scalar::Kind;
    switch (v.vt) {
    case VT_BOOL:
        s.kind = K::Bool;
        s.signedValue = v.boolVal;
        break;
    case VT_I1:
        s.kind = K::Signed;
        s.signedValue = v.cVal;
        break;
    case VT_I2:
        s.kind = K::Signed;
        s.signedValue = v.iVal;
        break;
    case VT_I4:
    case VT_INT:
        s.kind = K::Signed;
        s.signedValue = v.lVal;
        break;
    case VT_I8:
        s.kind = K::Signed;
        s.signedValue = v.llVal;
        break;
    case VT_UI1:
        s.kind = K::Unsigned;
        s.unsignedValue = v.bVal;
        break;
    case VT_UI2:
        s.kind = K::Unsigned;
        s.unsignedValue = v.uiVal;
        break;
    case VT_UI4:
    case VT_UINT:
        s.kind = K::Unsigned;
        s.unsignedValue = v.ulVal;
        break;
    case VT_UI8:
        s.kind = K::Unsigned;
        s.unsignedValue = v.ullVal;
        break;
    case VT_R4:
        s.kind = K::Single;
        s.realValue = v.fltVal;
        break;
    case VT_R8:
    case VT_DATE:
        s.kind = K::Double;
        s.realValue = v.dblVal;
        break;
    case VT_CY:
        s.kind = K::Currency;
        s.signedValue = v.cyVal.int64;
        break;
    case VT_BSTR:
        s.kind = K::Text;
        s.text = v.bstrVal ? std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string_view();
        break;
    default:
        s.kind = K::Empty;
        break;
    }
    return s;
}

struct IntegerRange {
    int bits;
    bool isSigned;
    WideInt Low() const { return isSigned ? -(WideInt(1) << (bits - 1)) : 0; }
    WideInt High() const { return isSigned ? (WideInt(1) << (bits - 1)) - 1 : (WideInt(1) << bits) - 1; }
};

// Currency amount / 10000, rounded half to even.
WideInt CurrencyToInteger(int64_t scaled)
{
    WideInt quotient = scaled / 10000;
    int64_t remainder = scaled % 10000;
    int64_t magnitude = remainder < 0 ? -remainder : remainder;
    if (magnitude > 5000 || (magnitude == 5000 && (quotient & 1) != 0))
        quotient += remainder < 0 ? -1 : 1;
    return quotient;
}

HRESULT ToInteger(const Scalar& s, IntegerRange range, WideInt& out)
{
    using K = Scalar::Kind;
    switch (s.kind) {
    case K::Empty:
        out = 0;
        break;
    case K::Bool:
    case K::Signed:
        out = s.signedValue;
        break;
    case K::Unsigned:
        out = s.unsignedValue;
        break;
    case K::Double:
    case K::Single: {
        if (std::isnan(s.realValue))
            return DISP_E_OVERFLOW;
        double rounded = RoundHalfEven(s.realValue);
        // The range bounds are powers of two, exact as doubles.
        double low = static_cast<double>(range.Low());
        double highPlusOne = std::ldexp(1.0, range.isSigned ? range.bits - 1 : range.bits);
        if (!(rounded >= low && rounded < highPlusOne))
            return DISP_E_OVERFLOW;
        out = static_cast<WideInt>(rounded);
        break;
    }
    case K::Currency:
        out = CurrencyToInteger(s.signedValue);
        break;
    case K::Text: {
        TextNumber number;
        HRESULT hr = ParseNumberText(s.text, number);
        if (FAILED(hr))
            return hr;
        if (number.isBitPattern) {
            // A literal is a bit pattern of the target's width: "&HFFFF" is -1 as a
            // 16-bit integer and 65535 as a 32-bit one.
            if (range.bits < 64 && (number.bits >> range.bits) != 0)
                return DISP_E_OVERFLOW;
            out = number.bits;
            if (range.isSigned && out > range.High())
                out -= WideInt(1) << range.bits;
            return S_OK;
        }
        if (!RoundTextNumber(number, 0, out))
            return DISP_E_OVERFLOW;
        break;
    }
    }
    return out < range.Low() || out > range.High() ? DISP_E_OVERFLOW : S_OK;
}

HRESULT ToDouble(const Scalar& s, double& out)
{
    using K = Scalar::Kind;
    switch (s.kind) {
    case K::Empty:
        out = 0;
        return S_OK;
    case K::Bool:
    case K::Signed:
        out = static_cast<double>(s.signedValue);
        return S_OK;
    case K::Unsigned:
        out = static_cast<double>(s.unsignedValue);
        return S_OK;
    case K::Double:
    case K::Single:
        out = s.realValue;
        return S_OK;
    case K::Currency:
        out = static_cast<double>(s.signedValue) / 10000.0;
        return S_OK;
    case K::Text: {
        TextNumber number;
        HRESULT hr = ParseNumberText(s.text, number);
        return FAILED(hr) ? hr : TextNumberToDouble(number, out);
    }
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT ToCurrency(const Scalar& s, int64_t& out)
{
    using K = Scalar::Kind;
    const WideInt low = INT64_MIN, high = INT64_MAX;
    WideInt scaled = 0;
    switch (s.kind) {
    case K::Empty:
        break;
    case K::Bool:
    case K::Signed:
        scaled = WideInt(s.signedValue) * 10000;
        break;
    case K::Unsigned:
        scaled = WideInt(s.unsignedValue) * 10000;
        break;
    case K::Double:
    case K::Single: {
        double rounded = RoundHalfEven(s.realValue * 10000.0);
        if (!(rounded >= -0x1p63 && rounded < 0x1p63))
            return DISP_E_OVERFLOW;
        scaled = static_cast<WideInt>(rounded);
        break;
    }
    case K::Currency:
        scaled = s.signedValue;
        break;
    case K::Text: {
        TextNumber number;
        HRESULT hr = ParseNumberText(s.text, number);
        if (FAILED(hr))
            return hr;
        if (number.isBitPattern)
            scaled = WideInt(number.bits) * 10000;
        else if (!RoundTextNumber(number, 4, scaled))
            return DISP_E_OVERFLOW;
        break;
    }
    }
    if (scaled < low || scaled > high)
        return DISP_E_OVERFLOW;
    out = static_cast<int64_t>(scaled);
    return S_OK;
}

HRESULT ToBool(const Scalar& s, bool& out)
{
    using K = Scalar::Kind;
    switch (s.kind) {
    case K::Empty:
        out = false;
        return S_OK;
    case K::Bool:
    case K::Signed:
    case K::Currency:
        out = s.signedValue != 0;
        return S_OK;
    case K::Unsigned:
        out = s.unsignedValue != 0;
        return S_OK;
    case K::Double:
    case K::Single:
        out = s.realValue != 0;
        return S_OK;
    case K::Text: {
        if (EqualsWordNoCase(s.text, "True") || EqualsWordNoCase(s.text, "False")) {
            out = EqualsWordNoCase(s.text, "True");
            return S_OK;
        }
        TextNumber number;
        HRESULT hr = ParseNumberText(s.text, number);
        if (FAILED(hr))
            return hr;
        out = number.isBitPattern ? number.bits != 0 : !number.digits.empty();
        return S_OK;
    }
    }
    return DISP_E_TYPEMISMATCH;
}

std::u16string ToText(const Scalar& s)
{
    using K = Scalar::Kind;
    switch (s.kind) {
    case K::Empty:
        return {};
    case K::Bool:
        return s.signedValue ? u"True" : u"False";
    case K::Signed:
        return FormatSigned(s.signedValue);
    case K::Unsigned:
        return FormatUnsigned(s.unsignedValue);
    case K::Double:
        return FormatReal(s.realValue, 15);
    case K::Single:
        return FormatReal(s.realValue, 7);
    case K::Currency:
        return FormatCurrency(s.signedValue);
    case K::Text:
        return std::u16string(s.text);
    }
    return {};
}

void StoreInteger(VARIANT& out, VARTYPE type, WideInt value)
{
    out.vt = type;
    switch (type) {
    case VT_I1:
        out.cVal = static_cast<signed char>(value);
        break;
    case VT_UI1:
        out.bVal = static_cast<BYTE>(value);
        break;
    case VT_I2:
        out.iVal = static_cast<SHORT>(value);
        break;
    case VT_UI2:
        out.uiVal = static_cast<USHORT>(value);
        break;
    case VT_I4:
        out.lVal = static_cast<LONG>(value);
        break;
    case VT_INT:
        out.intVal = static_cast<INT>(value);
        break;
    case VT_UI4:
        out.ulVal = static_cast<ULONG>(value);
        break;
    case VT_UINT:
        out.uintVal = static_cast<UINT>(value);
        break;
    case VT_I8:
        out.llVal = static_cast<LONGLONG>(value);
        break;
    default: // VT_UI8
        out.ullVal = static_cast<ULONGLONG>(value);
        break;
    }
}

bool IntegerRangeOf(VARTYPE type, IntegerRange& range)
{
    switch (type) {
    case VT_I1: range = {8, true}; return true;
    case VT_UI1: range = {8, false}; return true;
    case VT_I2: range = {16, true}; return true;
    case VT_UI2: range = {16, false}; return true;
    case VT_I4:
    case VT_INT: range = {32, true}; return true;
    case VT_UI4:
    case VT_UINT: range = {32, false}; return true;
    case VT_I8: range = {64, true}; return true;
    case VT_UI8: range = {64, false}; return true;
    default: return false;
    }
}

// Earliest and latest valid dates (years 100 and 9999) as day numbers.
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958465.0;

// Converts a plain scalar (not Null, not an object, not an error) into `out`.
HRESULT ConvertScalar(const VARIANT& source, VARTYPE type, VARIANT& out)
{
    const Scalar s = ReadScalar(source);
    IntegerRange range{};
    if (IntegerRangeOf(type, range)) {
        WideInt value = 0;
        HRESULT hr = ToInteger(s, range, value);
        if (SUCCEEDED(hr))
            StoreInteger(out, type, value);
        return hr;
    }
    switch (type) {
    case VT_R4:
    case VT_R8:
    case VT_DATE: {
        double value = 0;
        HRESULT hr = ToDouble(s, value);
        if (FAILED(hr))
            return hr;
        if (type == VT_R4) {
            if (std::isfinite(value) && std::fabs(value) > FLT_MAX)
                return DISP_E_OVERFLOW;
            out.fltVal = static_cast<float>(value);
        } else if (type == VT_DATE) {
            if (!(value > kFirstDate - 1 && value < kLastDate + 1))
                return DISP_E_OVERFLOW;
            out.date = value;
        } else {
            out.dblVal = value;
        }
        out.vt = type;
        return S_OK;
    }
    case VT_CY: {
        int64_t value = 0;
        HRESULT hr = ToCurrency(s, value);
        if (SUCCEEDED(hr)) {
            out.vt = VT_CY;
            out.cyVal.int64 = value;
        }
        return hr;
    }
    case VT_BOOL: {
        bool value = false;
        HRESULT hr = ToBool(s, value);
        if (SUCCEEDED(hr)) {
            out.vt = VT_BOOL;
            out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return hr;
    }
    case VT_BSTR: {
        std::u16string text = ToText(s);
        BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!b)
            return E_OUTOFMEMORY;
        out.vt = VT_BSTR;
        out.bstrVal = b;
        return S_OK;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// An object as another interface type; a null object stays null.
HRESULT ConvertInterface(const VARIANT& source, VARTYPE type, VARIANT& out)
{
    if (source.vt != VT_DISPATCH && source.vt != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    void* converted = nullptr;
    if (source.punkVal) {
        const IID& iid = type == VT_DISPATCH ? IDispatch::iid : IUnknown::iid;
        if (FAILED(source.punkVal->QueryInterface(iid, &converted)) || !converted)
            return DISP_E_TYPEMISMATCH;
    }
    out.vt = type;
    out.punkVal = static_cast<IUnknown*>(converted);
    return S_OK;
}

void FreeExceptionInfo(EXCEPINFO& info)
{
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
}

// An object converts through its default value: the property DISPID_VALUE.
HRESULT ConvertThroughValue(const VARIANT& source, LCID lcid, USHORT flags, VARTYPE type, VARIANT& out)
{
    if ((flags & VARIANT_NOVALUEPROP) || !source.punkVal)
        return DISP_E_TYPEMISMATCH;
    IDispatch* dispatch = nullptr;
    if (FAILED(source.punkVal->QueryInterface(IDispatch::iid, reinterpret_cast<void**>(&dispatch))) || !dispatch)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
    EXCEPINFO exception{};
    Variant value;
    HRESULT hr = dispatch->Invoke(DISPID_VALUE, GUID_NULL, lcid, DISPATCH_PROPERTYGET, &noArguments, &value,
                                  &exception, nullptr);
    dispatch->Release();
    FreeExceptionInfo(exception);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    // One step only: a default value that is itself an object does not convert.
    return VariantChangeTypeEx(&out, &value, lcid, flags | VARIANT_NOVALUEPROP, type);
}

bool IsObject(VARTYPE vt) { return vt == VT_DISPATCH || vt == VT_UNKNOWN; }

HRESULT Convert(const VARIANT& source, LCID lcid, USHORT flags, VARTYPE type, VARIANT& out)
{
    const VARTYPE from = source.vt;
    if (from == VT_DECIMAL)
        return DISP_E_BADVARTYPE;
    if (from == type)
        return VariantCopy(&out, &source);
    if (from == VT_NULL)
        return DISP_E_TYPEMISMATCH;
    if (type == VT_EMPTY)
        return S_OK;
    if (type == VT_NULL) {
        if (from != VT_EMPTY)
            return DISP_E_TYPEMISMATCH;
        out.vt = VT_NULL;
        return S_OK;
    }
    if (IsObject(type))
        return ConvertInterface(source, type, out);
    if (IsObject(from))
        return ConvertThroughValue(source, lcid, flags, type, out);
    if (from == VT_ERROR || type == VT_ERROR)
        return DISP_E_TYPEMISMATCH;
    return ConvertScalar(source, type, out);
}

bool IsValidTarget(VARTYPE type)
{
    return IsValidVariantType(type) && !(type & VT_BYREF) && type != VT_DECIMAL;
}
} // namespace

HRESULT VariantChangeTypeEx(VARIANT* destination, const VARIANT* source, LCID lcid, USHORT flags, VARTYPE type)
{
    if (!destination || !source)
        return E_INVALIDARG;
    VARIANT view;
    HRESULT hr = DereferenceVariant(*source, view);
    if (FAILED(hr))
        return hr;
    if (!IsValidTarget(type))
        return DISP_E_BADVARTYPE;
    Variant converted;
    hr = Convert(view, lcid, flags, type, converted);
    if (FAILED(hr))
        return hr;
    hr = VariantClear(destination);
    if (FAILED(hr))
        return hr;
    *destination = converted.Detach();
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* destination, const VARIANT* source, USHORT flags, VARTYPE type)
{
    return VariantChangeTypeEx(destination, source, LOCALE_EN_US, flags, type);
}
