#include "platform/Variant.h"

#include "platform/Interfaces.h"
#include "platform/VariantReference.h"

#include <cstring>
#include <new>

bool IsValidVariantType(VARTYPE vt)
{
    // No safe arrays, vectors or other flags exist on this platform.
    if (vt & ~(VT_BYREF | VT_TYPEMASK))
        return false;
    const VARTYPE base = vt & VT_TYPEMASK;
    switch (base) {
    case VT_EMPTY:
    case VT_NULL:
        return !(vt & VT_BYREF);
    case VT_VARIANT:
        return (vt & VT_BYREF) != 0;
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

HRESULT DereferenceVariant(const VARIANT& source, VARIANT& view)
{
    if (!IsValidVariantType(source.vt))
        return DISP_E_BADVARTYPE;
    if (!(source.vt & VT_BYREF)) {
        view = source;
        return S_OK;
    }
    if (!source.byref)
        return E_INVALIDARG;
    const VARTYPE base = source.vt & VT_TYPEMASK;
    if (base == VT_VARIANT) {
        const VARIANT& inner = *source.pvarVal;
        // One level only: a reference to a reference to a variant is refused.
        if (inner.vt == (VT_BYREF | VT_VARIANT))
            return E_INVALIDARG;
        return DereferenceVariant(inner, view);
    }
    VariantInit(&view);
    view.vt = base;
    switch (base) {
    case VT_I1:
    case VT_UI1:
        view.bVal = *source.pbVal;
        break;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        view.iVal = *source.piVal;
        break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
        view.lVal = *source.plVal;
        break;
    case VT_R4:
        view.fltVal = *source.pfltVal;
        break;
    case VT_R8:
    case VT_DATE:
        view.dblVal = *source.pdblVal;
        break;
    case VT_I8:
    case VT_UI8:
    case VT_CY:
        view.llVal = *source.pllVal;
        break;
    case VT_BSTR:
        view.bstrVal = *source.pbstrVal;
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        view.punkVal = *source.ppunkVal;
        break;
    default:
        // A decimal does not fit this variant's value union.
        return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

namespace {
// A deep copy of a valid variant into `target`, which is overwritten without
// being cleared. A reference is copied as the reference it is.
HRESULT CopyValue(VARIANT& target, const VARIANT& source)
{
    VARIANT copy = source;
    if (source.vt == VT_BSTR && source.bstrVal) {
        copy.bstrVal = SysAllocStringLen(source.bstrVal, SysStringLen(source.bstrVal));
        if (!copy.bstrVal)
            return E_OUTOFMEMORY;
    } else if ((source.vt == VT_DISPATCH || source.vt == VT_UNKNOWN) && source.punkVal) {
        source.punkVal->AddRef();
    }
    target = copy;
    return S_OK;
}

// Replaces *destination by `value` (owned), clearing the old contents first.
// On failure `value` is released and *destination left as it was.
HRESULT Replace(VARIANT* destination, VARIANT& value)
{
    HRESULT hr = VariantClear(destination);
    if (FAILED(hr)) {
        VariantClear(&value);
        return hr;
    }
    *destination = value;
    return S_OK;
}
} // namespace

void VariantInit(VARIANT* v)
{
    if (v)
        std::memset(static_cast<void*>(v), 0, sizeof(VARIANT));
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_INVALIDARG;
    if (!IsValidVariantType(v->vt))
        return DISP_E_BADVARTYPE;
    // Take the value out first: releasing an object may re-enter this variant.
    VARIANT old = *v;
    VariantInit(v);
    if (old.vt == VT_BSTR)
        SysFreeString(old.bstrVal);
    else if ((old.vt == VT_DISPATCH || old.vt == VT_UNKNOWN) && old.punkVal)
        old.punkVal->Release();
    return S_OK;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source)
{
    if (!destination || !source)
        return E_INVALIDARG;
    if (!IsValidVariantType(source->vt))
        return DISP_E_BADVARTYPE;
    if (destination == source)
        return S_OK;
    VARIANT copy;
    HRESULT hr = CopyValue(copy, *source);
    return FAILED(hr) ? hr : Replace(destination, copy);
}

HRESULT VariantCopyInd(VARIANT* destination, const VARIANT* source)
{
    if (!destination || !source)
        return E_INVALIDARG;
    VARIANT view;
    HRESULT hr = DereferenceVariant(*source, view);
    if (FAILED(hr))
        return hr;
    VARIANT copy;
    hr = CopyValue(copy, view);
    return FAILED(hr) ? hr : Replace(destination, copy);
}

// ---- Variant ----

Variant::Variant(const Variant& other) : Variant(static_cast<const VARIANT&>(other)) {}

Variant::Variant(Variant&& other) noexcept : VARIANT(other)
{
    VariantInit(&other);
}

Variant::Variant(const VARIANT& other)
{
    VariantInit(this);
    // A variant of a type this platform does not know stays Empty here.
    if (VariantCopy(this, &other) == E_OUTOFMEMORY)
        throw std::bad_alloc();
}

Variant& Variant::operator=(Variant other) noexcept
{
    std::swap(static_cast<VARIANT&>(*this), static_cast<VARIANT&>(other));
    return *this;
}

Variant Variant::FromLong(LONG value)
{
    Variant v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

Variant Variant::FromBool(bool value)
{
    Variant v;
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::FromDouble(double value)
{
    Variant v;
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

Variant Variant::FromString(std::u16string_view text)
{
    BStr owned(text);
    if (owned.IsNull())
        throw std::bad_alloc();
    Variant v;
    v.vt = VT_BSTR;
    v.bstrVal = owned.Detach();
    return v;
}

Variant Variant::Null()
{
    Variant v;
    v.vt = VT_NULL;
    return v;
}

Variant Variant::FromDispatch(IDispatch* object)
{
    Variant v;
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    if (object)
        object->AddRef();
    return v;
}

Variant Variant::FromUnknown(IUnknown* object)
{
    Variant v;
    v.vt = VT_UNKNOWN;
    v.punkVal = object;
    if (object)
        object->AddRef();
    return v;
}

VARIANT Variant::Detach()
{
    VARIANT value = *this;
    VariantInit(this);
    return value;
}
