#include "platform/DispatchInvoke.h"

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/ErrorInfo.h"
#include "platform/Messages.h"
#include "platform/TypeInfo.h"
#include "platform/VariantReference.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Names

// Case folding of ASCII and Latin-1 letters (not the multiplication sign).
char32_t Fold(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    return c;
}

// Next code point of a UTF-8 table text; U+FFFD for a malformed sequence.
char32_t NextUtf8(const unsigned char*& p)
{
    unsigned char c = *p++;
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0)
        return 0xFFFD;
    char32_t value = c & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((*p & 0xC0) != 0x80)
            return 0xFFFD;
        value = (value << 6) | (*p++ & 0x3F);
    }
    return value;
}

// Next code point of a UTF-16 text.
char32_t NextUtf16(const OLECHAR*& p)
{
    char32_t c = *p++;
    if (c >= 0xD800 && c < 0xDC00 && *p >= 0xDC00 && *p < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
    return c;
}

bool NameEquals(const char* tableName, const OLECHAR* name)
{
    if (!tableName || !name)
        return false;
    auto* a = reinterpret_cast<const unsigned char*>(tableName);
    const OLECHAR* b = name;
    while (*a && *b)
        if (Fold(NextUtf8(a)) != Fold(NextUtf16(b)))
            return false;
    return *a == 0 && *b == 0;
}

// ---------------------------------------------------------------------------
// Choosing the function

bool IsObjectValue(const VARIANT& v)
{
    VARIANT view;
    if (FAILED(DereferenceVariant(v, view)))
        return false;
    return view.vt == VT_DISPATCH || view.vt == VT_UNKNOWN;
}

HRESULT SelectFunction(const InterfaceDescription& d, MEMBERID id, WORD flags, const DISPPARAMS& params,
                       const FuncDescription*& chosen)
{
    const FuncDescription* method = nullptr;
    const FuncDescription* get = nullptr;
    const FuncDescription* put = nullptr;
    const FuncDescription* putRef = nullptr;
    for (UINT i = 0; i < d.funcCount; ++i) {
        const FuncDescription& f = d.funcs[i];
        if (f.id != id)
            continue;
        switch (f.invokeKind) {
        case INVOKE_FUNC: method = method ? method : &f; break;
        case INVOKE_PROPERTYGET: get = get ? get : &f; break;
        case INVOKE_PROPERTYPUT: put = put ? put : &f; break;
        case INVOKE_PROPERTYPUTREF: putRef = putRef ? putRef : &f; break;
        default: break;
        }
    }
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
        return E_INVALIDARG;
    if (!method && !get && !put && !putRef)
        return DISP_E_MEMBERNOTFOUND;

    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        const bool wantPut = flags & DISPATCH_PROPERTYPUT;
        const bool wantRef = flags & DISPATCH_PROPERTYPUTREF;
        if (!(wantPut && (put || putRef)) && !(wantRef && putRef))
            return DISP_E_MEMBERNOTFOUND;
        // The new value travels as the one named argument DISPID_PROPERTYPUT.
        if (params.cNamedArgs == 0)
            return DISP_E_PARAMNOTFOUND;
        if (params.cNamedArgs > 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_NONAMEDARGS;
        const bool object = IsObjectValue(params.rgvarg[0]);
        if (wantRef && putRef && (object || !wantPut || !put))
            chosen = putRef;
        else if (wantPut && put)
            chosen = put;
        else if (wantPut && putRef && object)
            chosen = putRef; // only a reference put exists and the value is an object
        else
            return DISP_E_MEMBERNOTFOUND;
        return S_OK;
    }

    if ((flags & DISPATCH_METHOD) && method)
        chosen = method;
    else if ((flags & DISPATCH_PROPERTYGET) && get)
        chosen = get;
    else
        return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Arguments

bool IsMissing(const VARIANT& v)
{
    VARIANT view;
    return SUCCEEDED(DereferenceVariant(v, view)) && view.vt == VT_ERROR && view.scode == DISP_E_PARAMNOTFOUND;
}

// The [defaultvalue] literal of the tables: digits for numbers, text in
// double quotes for strings. Held in its natural type (VT_I4, VT_R8, VT_BSTR).
HRESULT DefaultValue(const char* literal, VARIANT& out)
{
    VariantInit(&out);
    if (!literal)
        return E_UNEXPECTED;
    const size_t length = std::strlen(literal);
    if (length >= 2 && literal[0] == '"' && literal[length - 1] == '"') {
        std::u16string text = Utf8ToWide(std::string_view(literal + 1, length - 2));
        out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!out.bstrVal)
            return E_OUTOFMEMORY;
        out.vt = VT_BSTR;
        return S_OK;
    }
    const char* end = literal + length;
    long long integer = 0;
    auto [intEnd, intError] = std::from_chars(literal, end, integer);
    if (intError == std::errc() && intEnd == end && integer >= std::numeric_limits<LONG>::min() &&
        integer <= std::numeric_limits<LONG>::max()) {
        out.vt = VT_I4;
        out.lVal = static_cast<LONG>(integer);
        return S_OK;
    }
    double real = 0;
    auto [realEnd, realError] = std::from_chars(literal, end, real);
    if (realError == std::errc() && realEnd == end) {
        out.vt = VT_R8;
        out.dblVal = real;
        return S_OK;
    }
    return E_UNEXPECTED;
}

// Everything one parameter needs for the call; cleared afterwards.
struct Slot {
    Variant owned;                // converted values, defaults, interfaces, out storage
    VARIANT view{};               // a non-owning value (a reference, a dereferenced argument)
    VARIANT* writeBack = nullptr; // caller's variant that receives an in/out value after the call
};

constexpr size_t kInlineParams = 8;

// Storage for the call: inline for the usual few parameters, on the heap beyond.
class CallFrame {
public:
    explicit CallFrame(size_t count)
    {
        if (count > kInlineParams) {
            heapSlots_.resize(count);
            heapTypes_.resize(count);
            heapValues_.resize(count);
        }
        slots = count > kInlineParams ? heapSlots_.data() : localSlots_.data();
        types = count > kInlineParams ? heapTypes_.data() : localTypes_.data();
        values = count > kInlineParams ? heapValues_.data() : localValues_.data();
    }
    Slot* slots;
    VARTYPE* types;
    VARIANTARG** values;

private:
    std::array<Slot, kInlineParams> localSlots_;
    std::array<VARTYPE, kInlineParams> localTypes_{};
    std::array<VARIANTARG*, kInlineParams> localValues_{};
    std::vector<Slot> heapSlots_;
    std::vector<VARTYPE> heapTypes_;
    std::vector<VARIANTARG*> heapValues_;
};

// Points the call at the value union of `v` (or at `v` itself for a VARIANT)
// as a reference.
void PassReference(Slot& slot, VARTYPE base, VARIANT& v, VARTYPE& type, VARIANTARG*& value)
{
    VariantInit(&slot.view);
    slot.view.byref = base == VT_VARIANT ? static_cast<void*>(&v) : static_cast<void*>(&v.llVal);
    type = VT_BYREF | base;
    value = &slot.view;
}

// Gives a missing optional parameter its value.
HRESULT FillMissing(const ParamDescription& p, Slot& slot, VARTYPE& type, VARIANTARG*& value)
{
    const VARTYPE base = p.vt & VT_TYPEMASK;
    if (p.flags & PARAMFLAG_FHASDEFAULT) {
        HRESULT hr = DefaultValue(p.defaultValue, slot.owned);
        if (SUCCEEDED(hr) && base != VT_VARIANT)
            hr = VariantChangeType(&slot.owned, &slot.owned, 0, base);
        if (FAILED(hr))
            return hr;
    } else if (base == VT_VARIANT) {
        slot.owned.vt = VT_ERROR;
        slot.owned.scode = DISP_E_PARAMNOTFOUND;
    } else {
        // An optional typed parameter without a default gets the type's empty value.
        VARIANT empty;
        VariantInit(&empty);
        HRESULT hr = base == VT_DISPATCH || base == VT_UNKNOWN ? S_OK : VariantChangeType(&slot.owned, &empty, 0, base);
        if (FAILED(hr))
            return hr;
        if (base == VT_DISPATCH || base == VT_UNKNOWN)
            slot.owned.punkVal = nullptr;
        slot.owned.vt = base;
    }
    if (p.vt & VT_BYREF) {
        PassReference(slot, base, slot.owned, type, value);
    } else {
        type = base;
        value = &slot.owned;
    }
    return S_OK;
}

// An interface parameter: Empty and Nothing give a null pointer, an object
// is asked for the declared interface.
HRESULT PrepareInterface(const ParamDescription& p, const VARIANT& source, Slot& slot, VARTYPE& type,
                         VARIANTARG*& value)
{
    VARIANT view;
    HRESULT hr = DereferenceVariant(source, view);
    if (FAILED(hr))
        return hr;
    type = p.vt;
    value = &slot.owned;
    slot.owned.punkVal = nullptr;
    if (view.vt == VT_EMPTY || ((view.vt == VT_DISPATCH || view.vt == VT_UNKNOWN) && !view.punkVal))
        return S_OK; // slot.owned stays Empty: its union holds a null pointer
    if (view.vt != VT_DISPATCH && view.vt != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    const IID& wanted = p.iid ? *p.iid : (p.vt == VT_DISPATCH ? IDispatch::iid : IUnknown::iid);
    void* object = nullptr;
    if (FAILED(view.punkVal->QueryInterface(wanted, &object)) || !object)
        return DISP_E_TYPEMISMATCH;
    // Held as VT_UNKNOWN so clearing the slot releases it, whatever its interface.
    slot.owned.vt = VT_UNKNOWN;
    slot.owned.punkVal = static_cast<IUnknown*>(object);
    return S_OK;
}

// A reference parameter ([out] or [in, out]).
HRESULT PrepareReference(const ParamDescription& p, VARIANT& source, Slot& slot, VARTYPE& type, VARIANTARG*& value)
{
    const VARTYPE base = p.vt & VT_TYPEMASK;
    // The caller's own reference of the right type goes straight through.
    if (source.vt == p.vt && source.byref) {
        type = p.vt;
        value = &source;
        return S_OK;
    }
    VARIANT* target = source.vt == (VT_BYREF | VT_VARIANT) ? source.pvarVal : nullptr;
    if (target && target->vt == base) {
        PassReference(slot, base, *target, type, value);
        return S_OK;
    }
    // Otherwise a value of the parameter's type, written back afterwards into
    // a variant the caller passed by reference.
    HRESULT hr = S_OK;
    if (!(p.flags & PARAMFLAG_FIN) && (p.flags & PARAMFLAG_FOUT)) {
        // Pure out: the member writes without freeing, so the storage starts
        // as zero (a null string, a null interface), owning nothing.
        VariantInit(&slot.owned);
        if (base != VT_VARIANT)
            slot.owned.vt = base;
    } else if (base == VT_VARIANT) {
        hr = VariantCopyInd(&slot.owned, &source);
    } else {
        hr = VariantChangeType(&slot.owned, &source, 0, base);
    }
    if (FAILED(hr))
        return hr;
    slot.writeBack = target;
    PassReference(slot, base, slot.owned, type, value);
    return S_OK;
}

// A value parameter of a plain type: passed as given when it already has the
// type, otherwise converted.
HRESULT PrepareValue(const ParamDescription& p, VARIANT& source, Slot& slot, VARTYPE& type, VARIANTARG*& value)
{
    type = p.vt;
    if (source.vt == p.vt) {
        value = &source;
        return S_OK;
    }
    HRESULT hr = DereferenceVariant(source, slot.view);
    if (FAILED(hr))
        return hr;
    if (p.vt == VT_VARIANT || slot.view.vt == p.vt) {
        value = &slot.view;
        return S_OK;
    }
    hr = VariantChangeType(&slot.owned, &slot.view, 0, p.vt);
    if (FAILED(hr))
        return hr;
    value = &slot.owned;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Failures of the member

BSTR SystemDescription(HRESULT code)
{
    std::string text;
    if (auto message = SystemMessageText(code)) {
        text = *message;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    } else {
        char buffer[64];
        const auto bits = static_cast<uint32_t>(code);
        if (bits >= 0x80040200u && bits <= 0x8004FFFFu && ((bits - 0x200u) & 0xFFFFu) != 0)
            std::snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>((bits - 0x200u) & 0xFFFFu));
        else
            std::snprintf(buffer, sizeof buffer, "Unknown error 0x%X", static_cast<unsigned>(bits));
        text = buffer;
    }
    std::u16string wide = AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

HRESULT ReportMemberFailure(void* instance, const IID& iid, HRESULT code, EXCEPINFO* exception)
{
    if (!exception)
        return code;
    *exception = EXCEPINFO{};
    exception->scode = code;
    auto* object = static_cast<IUnknown*>(instance);
    ComPtr<ISupportErrorInfo> support;
    if (SUCCEEDED(object->QueryInterface(ISupportErrorInfo::iid, support.OutVoid())) && support &&
        support->InterfaceSupportsErrorInfo(iid) == S_OK) {
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, info.Out()) == S_OK && info) {
            info->GetSource(&exception->bstrSource);
            info->GetDescription(&exception->bstrDescription);
            info->GetHelpFile(&exception->bstrHelpFile);
            info->GetHelpContext(&exception->dwHelpContext);
        }
    }
    if (!exception->bstrDescription)
        exception->bstrDescription = SystemDescription(code);
    return DISP_E_EXCEPTION;
}

// Moves the [out, retval] value into the caller's result.
void DeliverResult(VARTYPE base, VARIANT& returned, VARIANT* result)
{
    if (base != VT_VARIANT)
        returned.vt = base;
    if (result)
        *result = returned;
    else
        VariantClear(&returned);
    VariantInit(&returned);
}

} // namespace

HRESULT GetIDsOfDescribedNames(const InterfaceDescription& d, LPOLESTR* names, UINT count, MEMBERID* ids)
{
    if (count == 0)
        return S_OK;
    if (!names || !ids)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    const FuncDescription* member = nullptr;
    for (UINT i = 0; i < d.funcCount && !member; ++i)
        if (NameEquals(d.funcs[i].name, names[0]))
            member = &d.funcs[i];
    if (!member)
        return DISP_E_UNKNOWNNAME;
    ids[0] = member->id;
    HRESULT hr = S_OK;
    for (UINT n = 1; n < count; ++n) {
        // Parameter names of any function of the member (get and put may differ).
        for (UINT i = 0; i < d.funcCount && ids[n] == DISPID_UNKNOWN; ++i) {
            const FuncDescription& f = d.funcs[i];
            if (f.id != member->id)
                continue;
            for (UINT k = 0; k < f.paramCount; ++k)
                if (NameEquals(f.params[k].name, names[n])) {
                    ids[n] = static_cast<MEMBERID>(k);
                    break;
                }
        }
        if (ids[n] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT InvokeDescribedMember(void* instance, const InterfaceDescription& d, MEMBERID id, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argumentError)
{
    if (result)
        VariantInit(result);
    if (!instance || !params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;

    const FuncDescription* f = nullptr;
    HRESULT hr = SelectFunction(d, id, flags, *params, f);
    if (FAILED(hr))
        return hr;

    const UINT paramCount = f->paramCount;
    const bool hasRetval = paramCount && (f->params[paramCount - 1].flags & PARAMFLAG_FRETVAL);
    const UINT formal = paramCount - (hasRetval ? 1 : 0);
    const bool isPut = f->invokeKind == INVOKE_PROPERTYPUT || f->invokeKind == INVOKE_PROPERTYPUTREF;
    if (isPut && formal == 0)
        return DISP_E_BADPARAMCOUNT;
    const UINT positionalFormal = isPut ? formal - 1 : formal;
    const UINT positional = params->cArgs - params->cNamedArgs;
    UINT required = 0;
    for (UINT k = 0; k < positionalFormal; ++k)
        if (!(f->params[k].flags & PARAMFLAG_FOPT))
            required = k + 1;
    if (positional > positionalFormal || positional < required)
        return DISP_E_BADPARAMCOUNT;

    CallFrame frame(paramCount);
    for (UINT k = 0; k < formal; ++k) {
        const ParamDescription& p = f->params[k];
        Slot& slot = frame.slots[k];
        // Where the argument sits in rgvarg: the put value is the named
        // argument at 0, positional arguments follow in reverse order.
        UINT argIndex = 0;
        VARIANT* source = nullptr;
        if (isPut && k == formal - 1) {
            argIndex = 0;
            source = &params->rgvarg[0];
        } else if (k < positional) {
            argIndex = params->cArgs - 1 - k;
            source = &params->rgvarg[argIndex];
        }
        const VARTYPE base = p.vt & VT_TYPEMASK;
        if (!source || IsMissing(*source)) {
            if (!(p.flags & PARAMFLAG_FOPT)) {
                if (argumentError)
                    *argumentError = argIndex;
                return DISP_E_PARAMNOTOPTIONAL;
            }
            hr = FillMissing(p, slot, frame.types[k], frame.values[k]);
        } else if (p.vt & VT_BYREF) {
            hr = PrepareReference(p, *source, slot, frame.types[k], frame.values[k]);
        } else if (base == VT_DISPATCH || base == VT_UNKNOWN) {
            hr = PrepareInterface(p, *source, slot, frame.types[k], frame.values[k]);
        } else {
            hr = PrepareValue(p, *source, slot, frame.types[k], frame.values[k]);
        }
        if (FAILED(hr)) {
            if (argumentError && source)
                *argumentError = argIndex;
            return hr;
        }
    }

    VARTYPE retvalBase = VT_EMPTY;
    VARIANT returned;
    VariantInit(&returned);
    if (hasRetval) {
        retvalBase = f->params[formal].vt & VT_TYPEMASK;
        Slot& slot = frame.slots[formal];
        PassReference(slot, retvalBase, returned, frame.types[formal], frame.values[formal]);
    }

    VARIANT outcome;
    hr = DispCallFunc(instance, f->vtableIndex, VT_HRESULT, paramCount, frame.types, frame.values, &outcome);
    if (FAILED(hr))
        return hr;
    const HRESULT memberResult = outcome.scode;
    if (FAILED(memberResult)) {
        // A member may have handed its result out before failing; it is not
        // delivered, so it is released here.
        if (hasRetval)
            DeliverResult(retvalBase, returned, nullptr);
        return ReportMemberFailure(instance, d.iid, memberResult, exception);
    }

    for (UINT k = 0; k < formal; ++k) {
        Slot& slot = frame.slots[k];
        if (slot.writeBack) {
            VariantClear(slot.writeBack);
            *slot.writeBack = slot.owned.Detach();
        }
    }
    if (hasRetval)
        DeliverResult(retvalBase, returned, result);
    return S_OK;
}
