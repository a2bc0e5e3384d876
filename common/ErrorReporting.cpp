#include "common/ErrorReporting.h"

#include "platform/Activation.h"
#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/ErrorInfo.h"
#include "platform/Messages.h"

#include <cstdio>

HRESULT ReportError(REFCLSID clsid, const std::string& description, REFIID iid, HRESULT code)
{
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Out())) && create) {
        create->SetGUID(iid);
        LPOLESTR progId = nullptr;
        if (SUCCEEDED(ProgIDFromCLSID(clsid, &progId)) && progId) {
            create->SetSource(progId);
            CoTaskMemFree(progId);
        }
        std::u16string wide = AnsiToWide(description);
        create->SetDescription(wide.data());
        if (auto info = create.As<IErrorInfo>())
            SetErrorInfo(0, info.Get());
    }
    return code == 0 ? DISP_E_EXCEPTION : code;
}

HRESULT ReportSystemError(HRESULT code, REFCLSID clsid, REFIID iid)
{
    std::string description;
    if (auto text = SystemMessageText(code)) {
        description = *text;
    } else {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "Unknown error %lu", static_cast<unsigned long>(static_cast<uint32_t>(code)));
        description = buffer;
    }
    return ReportError(clsid, description, iid, code);
}
