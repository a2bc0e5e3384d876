#include "host/script/LateBinding.h"

#include "host/script/ScriptError.h"

#include <string>

namespace script {

namespace {

constexpr WORD kReadFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

DISPID LookUp(IDispatch* object, std::u16string_view name)
{
    std::u16string zeroTerminated(name);
    LPOLESTR names[] = {zeroTerminated.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        throw ScriptError::FromResult(hr);
    return id;
}

// Owns the strings an Invoke may leave in its exception record.
struct ExceptionRecord : EXCEPINFO {
    ExceptionRecord() : EXCEPINFO{} {}
    ~ExceptionRecord()
    {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
    ExceptionRecord(const ExceptionRecord&) = delete;
    ExceptionRecord& operator=(const ExceptionRecord&) = delete;
};

// Invoke with arguments in script order (DISPPARAMS wants them reversed);
// `value`, when given, is the new value of a property put.
HRESULT Call(IDispatch* object, DISPID id, WORD flags, Arguments& args, const Variant* value, Variant* result)
{
    std::vector<VARIANTARG> reversed;
    reversed.reserve(args.size() + 1);
    if (value)
        reversed.push_back(*value); // shallow: the callee does not own its arguments
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        reversed.push_back(*it);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), value ? &putId : nullptr, static_cast<UINT>(reversed.size()),
                      value ? 1u : 0u};
    ExceptionRecord exception;
    UINT argumentError = 0;
    HRESULT hr = object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result->Out() : nullptr,
                                &exception, &argumentError);
    if (hr == DISP_E_EXCEPTION)
        throw ScriptError::FromException(exception);
    return hr;
}

Variant Read(IDispatch* object, DISPID id, Arguments& args)
{
    Variant result;
    HRESULT hr = Call(object, id, kReadFlags, args, nullptr, &result);
    if (FAILED(hr))
        throw ScriptError::FromResult(hr);
    return Normalize(std::move(result));
}

void Write(IDispatch* object, DISPID id, Arguments& args, const Variant& value, bool byReference)
{
    HRESULT hr = DISP_E_MEMBERNOTFOUND;
    if (byReference)
        hr = Call(object, id, DISPATCH_PROPERTYPUTREF, args, &value, nullptr);
    if (hr == DISP_E_MEMBERNOTFOUND)
        hr = Call(object, id, DISPATCH_PROPERTYPUT, args, &value, nullptr);
    if (FAILED(hr))
        throw ScriptError::FromResult(hr);
}

} // namespace

Variant MissingArgument()
{
    Variant v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

Variant InvokeGet(IDispatch* object, std::u16string_view name, Arguments& args)
{
    return Read(object, LookUp(object, name), args);
}

Variant InvokeDefault(IDispatch* object, Arguments& args)
{
    return Read(object, DISPID_VALUE, args);
}

void InvokePut(IDispatch* object, std::u16string_view name, Arguments& args, const Variant& value, bool byReference)
{
    Write(object, LookUp(object, name), args, value, byReference);
}

void InvokePutDefault(IDispatch* object, Arguments& args, const Variant& value)
{
    Write(object, DISPID_VALUE, args, value, false);
}

bool SameObject(IUnknown* a, IUnknown* b)
{
    if (!a || !b)
        return a == b;
    ComPtr<IUnknown> first, second;
    a->QueryInterface(IUnknown::iid, first.OutVoid());
    b->QueryInterface(IUnknown::iid, second.OutVoid());
    return first.Get() == second.Get();
}

Variant Normalize(Variant value)
{
    if (value.vt & VT_BYREF) {
        Variant plain;
        if (FAILED(VariantCopyInd(&plain, &value)))
            throw ScriptError::Engine(EngineError::TypeMismatch);
        value = std::move(plain);
    }
    if (value.vt == VT_UNKNOWN && value.punkVal) {
        ComPtr<IDispatch> dispatch;
        if (SUCCEEDED(value.punkVal->QueryInterface(IDispatch::iid, dispatch.OutVoid())) && dispatch)
            value = Variant::FromDispatch(dispatch.Get());
    }
    return value;
}

} // namespace script
