// Drives an object through IDispatch as a script host does: names to ids,
// arguments in reverse order, the put value as the named DISPID_PROPERTYPUT.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Variant.h"

#include <string>
#include <vector>

struct InvokeOutcome {
    HRESULT hr = E_UNEXPECTED;
    Variant result;
    SCODE scode = 0;
    WORD wCode = 0xFFFF;
    BStr source;
    BStr description;
    UINT argumentError = 9999; // untouched unless Invoke names an argument

    std::u16string Description() const { return std::u16string(description.View()); }
};

class DispatchCaller {
public:
    explicit DispatchCaller(IDispatch* object) : object_(object) {}

    DISPID Id(const char16_t* name) const
    {
        DISPID id = DISPID_UNKNOWN;
        auto* text = const_cast<LPOLESTR>(name);
        object_->GetIDsOfNames(IID_NULL_FOR_TESTS, &text, 1, LOCALE_EN_US, &id);
        return id;
    }

    // Arguments left to right, as written in a script.
    InvokeOutcome Call(DISPID id, WORD flags, std::vector<Variant> args = {}, bool wantException = true) const
    {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        return Raw(id, flags, reversed, {}, wantException);
    }
    InvokeOutcome Call(const char16_t* name, WORD flags, std::vector<Variant> args = {}) const
    {
        return Call(Id(name), flags, std::move(args));
    }
    InvokeOutcome Get(const char16_t* name, std::vector<Variant> args = {}) const
    {
        return Call(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
    }
    InvokeOutcome Put(const char16_t* name, std::vector<Variant> index, Variant value,
                      WORD flags = DISPATCH_PROPERTYPUT) const
    {
        std::vector<VARIANT> rgvarg;
        rgvarg.push_back(value);
        for (auto it = index.rbegin(); it != index.rend(); ++it)
            rgvarg.push_back(*it);
        return Raw(Id(name), flags, rgvarg, {DISPID_PROPERTYPUT});
    }

    // rgvarg as given (reverse order, named ones first); the variants stay the caller's.
    InvokeOutcome Raw(DISPID id, WORD flags, std::vector<VARIANT>& rgvarg, std::vector<DISPID> named,
                      bool wantException = true) const
    {
        DISPPARAMS params{rgvarg.data(), named.data(), static_cast<UINT>(rgvarg.size()),
                          static_cast<UINT>(named.size())};
        InvokeOutcome outcome;
        EXCEPINFO exception{};
        outcome.hr = object_->Invoke(id, IID_NULL_FOR_TESTS, LOCALE_EN_US, flags, &params, outcome.result.Out(),
                                     wantException ? &exception : nullptr, &outcome.argumentError);
        outcome.scode = exception.scode;
        outcome.wCode = exception.wCode;
        outcome.source = BStr::Attach(exception.bstrSource);
        outcome.description = BStr::Attach(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        return outcome;
    }

private:
    static constexpr IID IID_NULL_FOR_TESTS{};
    IDispatch* object_;
};

// A variant that refers to `target` (VT_BYREF | type).
inline VARIANT RefTo(VARTYPE type, void* target)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | type;
    v.byref = target;
    return v;
}

inline Variant ErrorValue(SCODE code)
{
    Variant v;
    v.vt = VT_ERROR;
    v.scode = code;
    return v;
}

// The VT_ERROR value a script host passes for an argument left out.
inline Variant MissingArgument() { return ErrorValue(DISP_E_PARAMNOTFOUND); }

inline Variant Empty() { return Variant(); }

// Takes over a plain VARIANT that owns nothing (references, scalars).
inline Variant FromPlain(const VARIANT& v)
{
    Variant out;
    static_cast<VARIANT&>(out) = v;
    return out;
}

inline std::u16string TextOf(const VARIANT& v)
{
    return v.vt == VT_BSTR && v.bstrVal ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string();
}
