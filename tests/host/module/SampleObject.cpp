// TsHostTest.Sample: the automation class the host's end-to-end tests drive.
#include "typelib/TsHostTest.h"

#include "platform/Bstr.h"
#include "platform/ComObject.h"
#include "platform/ErrorInfo.h"
#include "platform/Variant.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace {

// Leaves error information as a failing member of this class does.
HRESULT Report(const std::u16string& description, HRESULT code)
{
    ComPtr<ICreateErrorInfo> info;
    if (SUCCEEDED(CreateErrorInfo(info.Out()))) {
        info->SetGUID(IID_ITsHostSample);
        std::u16string source = u"TsHostTest.Sample.1";
        info->SetSource(source.data());
        std::u16string text = description;
        info->SetDescription(text.data());
        if (auto record = info.As<IErrorInfo>())
            SetErrorInfo(0, record.Get());
    }
    return code;
}

std::u16string Digits(long long value)
{
    std::string s = std::to_string(value);
    return std::u16string(s.begin(), s.end());
}

class CTsHostSample : public DispatchObject<CTsHostSample, ITsHostSample> {
public:
    static const CoClassDescription& CoClass() { return TsHostSample_CoClass; }

    HRESULT get_Name(BSTR* pVal) override
    {
        if (!pVal)
            return E_POINTER;
        std::lock_guard lock(ObjectLock());
        *pVal = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
        return S_OK;
    }
    HRESULT put_Name(BSTR newVal) override
    {
        std::lock_guard lock(ObjectLock());
        name_ = newVal ? std::u16string(newVal, SysStringLen(newVal)) : std::u16string();
        return S_OK;
    }
    HRESULT get_Cell(LONG nRow, LONG nCol, VARIANT_BOOL* pVal) override
    {
        if (!pVal)
            return E_POINTER;
        std::lock_guard lock(ObjectLock());
        if (nRow < 1 || nCol < 1)
            return Report(u"Cell index out of bounds: row=" + Digits(nRow) + u" col=" + Digits(nCol),
                          DISP_E_EXCEPTION);
        auto it = cells_.find({nRow, nCol});
        *pVal = it != cells_.end() && it->second ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT put_Cell(LONG nRow, LONG nCol, VARIANT_BOOL newVal) override
    {
        std::lock_guard lock(ObjectLock());
        if (nRow < 1 || nCol < 1)
            return Report(u"Cell index out of bounds: row=" + Digits(nRow) + u" col=" + Digits(nCol),
                          DISP_E_EXCEPTION);
        cells_[{nRow, nCol}] = newVal == VARIANT_TRUE;
        return S_OK;
    }
    HRESULT Add(LONG a, LONG b, LONG* pVal) override
    {
        if (!pVal)
            return E_POINTER;
        *pVal = a + b;
        return S_OK;
    }
    // "<type tag>:<value as text>", so tests see exactly what the host passed.
    HRESULT Describe(VARIANT value, BSTR* pVal) override
    {
        if (!pVal)
            return E_POINTER;
        std::u16string text = Digits(value.vt) + u":";
        if (value.vt == VT_DISPATCH) {
            text += value.pdispVal ? u"object" : u"nothing";
        } else {
            Variant converted;
            if (SUCCEEDED(VariantChangeType(&converted, &value, VARIANT_ALPHABOOL, VT_BSTR)))
                text += std::u16string(converted.bstrVal, SysStringLen(converted.bstrVal));
        }
        *pVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }
    HRESULT CreateChild(BSTR name, ITsHostSample** ppChild) override
    {
        if (!ppChild)
            return E_POINTER;
        *ppChild = nullptr;
        ComPtr<ITsHostSample> child;
        HRESULT hr = CreateInstance(nullptr, ITsHostSample::iid, child.OutVoid());
        if (FAILED(hr))
            return hr;
        child->put_Name(name);
        *ppChild = child.Detach();
        return S_OK;
    }
    HRESULT Fail(BSTR message) override
    {
        return Report(message ? std::u16string(message, SysStringLen(message)) : std::u16string(), DISP_E_EXCEPTION);
    }
    // Fails with a bare result code and no error information.
    HRESULT FailWith(LONG code) override { return code; }
    HRESULT Touch() override
    {
        std::lock_guard lock(ObjectLock());
        ++count_;
        return S_OK;
    }
    HRESULT get_Count(LONG* pVal) override
    {
        if (!pVal)
            return E_POINTER;
        std::lock_guard lock(ObjectLock());
        *pVal = count_;
        return S_OK;
    }
    HRESULT get_Ratio(DOUBLE* pVal) override
    {
        if (!pVal)
            return E_POINTER;
        *pVal = 2.5;
        return S_OK;
    }
    HRESULT get_Child(ITsHostSample** ppVal) override
    {
        std::lock_guard lock(ObjectLock());
        return child_.CopyTo(ppVal);
    }
    HRESULT putref_Child(ITsHostSample* newVal) override
    {
        std::lock_guard lock(ObjectLock());
        child_ = ComPtr<ITsHostSample>(newVal);
        return S_OK;
    }

private:
    std::u16string name_;
    std::map<std::pair<LONG, LONG>, bool> cells_;
    LONG count_ = 0;
    ComPtr<ITsHostSample> child_;
};

const ModuleDescription& DescribeModule()
{
    static const ClassEntry classes[] = {{&TsHostSample_CoClass, &CTsHostSample::CreateInstance}};
    static const ModuleDescription module{&TsHostTest_TypeLib, classes, 1, &ThisModule()};
    return module;
}

} // namespace

TS_DEFINE_MODULE(DescribeModule)
