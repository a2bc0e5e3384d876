#include "common/Exceptions.h"

#include "common/ErrorReporting.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/ErrorInfo.h"
#include "platform/Messages.h"

#include <cstdio>

HRESULT ComException::Report(REFCLSID clsid, REFIID iid) const
{
    if (SUCCEEDED(code_) || !report_)
        return code_;
    if (message_ == "Unknown error")
        return ReportSystemError(code_, clsid, iid);
    return ReportError(clsid, message_, iid, code_);
}

bool PlatformError::Description(std::string& text) const
{
    if (!info_)
        return false;
    BStr description;
    if (FAILED(info_->GetDescription(description.Out())))
        return false;
    text = WideToAnsi(description.View());
    return true;
}

std::string PlatformError::SystemMessage() const
{
    if (auto text = SystemMessageText(code_)) {
        std::string message = *text;
        if (!message.empty() && message.back() == '\n')
            message.pop_back();
        if (!message.empty() && message.back() == '\r')
            message.pop_back();
        return message;
    }
    char buffer[64];
    const uint32_t bits = static_cast<uint32_t>(code_);
    const uint32_t dispatchNumber = (bits - 0x200u) & 0xFFFFu;
    if (bits >= 0x80040200u && bits <= 0x8004FFFFu && dispatchNumber != 0)
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>(dispatchNumber));
    else
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX", static_cast<unsigned long>(bits));
    return buffer;
}

void PlatformError::ThrowIfFailed(HRESULT hr)
{
    if (FAILED(hr))
        throw PlatformError(hr);
}

void PlatformError::ThrowIfFailed(HRESULT hr, IUnknown* object, REFIID iid)
{
    if (SUCCEEDED(hr))
        return;
    ComPtr<IErrorInfo> info;
    if (object) {
        ComPtr<ISupportErrorInfo> support;
        if (SUCCEEDED(object->QueryInterface(ISupportErrorInfo::iid, support.OutVoid())) && support &&
            support->InterfaceSupportsErrorInfo(iid) == S_OK) {
            if (GetErrorInfo(0, info.Out()) != S_OK)
                info.Reset();
        }
    }
    throw PlatformError(hr, std::move(info));
}
