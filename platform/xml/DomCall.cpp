#include "platform/xml/DomCall.h"

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/ErrorInfo.h"
#include "typelib/TsXmlDom.h"

#include <string>

namespace xmldom {

namespace {

void Install(REFIID iid, std::string_view description)
{
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Out())) || !create)
        return;
    create->SetGUID(iid);
    std::u16string source = Utf8ToWide(DOMDocument_CoClass.progId);
    create->SetSource(source.data());
    std::u16string text = Utf8ToWide(description);
    create->SetDescription(text.data());
    if (ComPtr<IErrorInfo> info = create.As<IErrorInfo>())
        SetErrorInfo(0, info.Get());
}

} // namespace

HRESULT ReportDomError(HRESULT code, REFIID iid, std::string_view description) noexcept
{
    try {
        Install(iid, description);
    } catch (...) {
        // Without memory for the record the code alone must do.
    }
    return code;
}

} // namespace xmldom
