// The error object and the per-thread error record. The error object belongs
// to the platform itself, not to any module, so it keeps its own count.
#include "platform/ErrorInfo.h"

#include "platform/Bstr.h"

#include <atomic>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <utility>

namespace {
class ErrorObject final : public IErrorInfo, public ICreateErrorInfo {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IUnknown::iid || riid == IErrorInfo::iid)
            *object = static_cast<IErrorInfo*>(this);
        else if (riid == ICreateErrorInfo::iid)
            *object = static_cast<ICreateErrorInfo*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

    // IErrorInfo. Texts never set come back as null strings.
    HRESULT GetGUID(GUID* guid) override
    {
        if (!guid)
            return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        *guid = guid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* text) override { return Get(source_, text); }
    HRESULT GetDescription(BSTR* text) override { return Get(description_, text); }
    HRESULT GetHelpFile(BSTR* text) override { return Get(helpFile_, text); }
    HRESULT GetHelpContext(DWORD* context) override
    {
        if (!context)
            return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        *context = helpContext_;
        return S_OK;
    }

    // ICreateErrorInfo. A null text clears the field.
    HRESULT SetGUID(REFGUID guid) override
    {
        std::lock_guard lock(mutex_);
        guid_ = guid;
        return S_OK;
    }
    HRESULT SetSource(LPOLESTR text) override { return Set(source_, text); }
    HRESULT SetDescription(LPOLESTR text) override { return Set(description_, text); }
    HRESULT SetHelpFile(LPOLESTR text) override { return Set(helpFile_, text); }
    HRESULT SetHelpContext(DWORD context) override
    {
        std::lock_guard lock(mutex_);
        helpContext_ = context;
        return S_OK;
    }

private:
    ~ErrorObject() = default;

    using Text = std::optional<std::u16string>;

    HRESULT Get(const Text& field, BSTR* out)
    {
        if (!out)
            return E_INVALIDARG;
        *out = nullptr;
        std::lock_guard lock(mutex_);
        if (!field)
            return S_OK;
        *out = SysAllocStringLen(field->data(), static_cast<UINT>(field->size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT Set(Text& field, LPOLESTR text)
    {
        try {
            Text value;
            if (text)
                value.emplace(text);
            std::lock_guard lock(mutex_);
            field = std::move(value);
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    std::atomic<ULONG> references_{1};
    std::mutex mutex_; // the object may be filled on one thread and read on another
    GUID guid_ = GUID_NULL;
    Text source_, description_, helpFile_;
    DWORD helpContext_ = 0;
};

// The calling thread's error record; released when the thread ends.
class ThreadErrorRecord {
public:
    ~ThreadErrorRecord() { Reset(nullptr); }
    // Installs `info` (already referenced) and releases the previous record.
    void Reset(IErrorInfo* info)
    {
        // Swap first: releasing the old record may run code that sets a new one.
        if (IErrorInfo* old = std::exchange(info_, info))
            old->Release();
    }
    IErrorInfo* Take() { return std::exchange(info_, nullptr); }

private:
    IErrorInfo* info_ = nullptr;
};

thread_local ThreadErrorRecord threadRecord;
} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** info)
{
    if (!info)
        return E_INVALIDARG;
    ErrorObject* object = new (std::nothrow) ErrorObject();
    *info = object;
    return object ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info)
{
    if (reserved != 0)
        return E_INVALIDARG;
    if (info)
        info->AddRef();
    threadRecord.Reset(info);
    return S_OK;
}

HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info)
{
    if (!info)
        return E_INVALIDARG;
    *info = nullptr;
    if (reserved != 0)
        return E_INVALIDARG;
    *info = threadRecord.Take();
    return *info ? S_OK : S_FALSE;
}
