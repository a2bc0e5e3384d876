#include "platform/xml/Utf8Text.h"

#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/xml/DomError.h"

#include <new>

namespace xmldom {

std::string Utf8FromBstr(BSTR text)
{
    if (!text)
        return {};
    return WideToUtf8(std::u16string_view(text, SysStringLen(text)));
}

std::string Utf8Argument(BSTR text, const char* what)
{
    std::string utf8 = Utf8FromBstr(text);
    if (utf8.find('\0') != std::string::npos)
        throw DomError(E_INVALIDARG, std::string(what) + " contains a NUL character");
    return utf8;
}

BSTR BstrFromUtf8(std::string_view text)
{
    std::u16string wide = Utf8ToWide(text);
    BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!result)
        throw std::bad_alloc();
    return result;
}

} // namespace xmldom
