#include "common/StringConversion.h"

#include "common/Exceptions.h"
#include "platform/CodePage.h"

std::string FromBstr(BSTR text)
{
    if (!text)
        return {};
    return WideToAnsi(std::u16string_view(text, SysStringLen(text)));
}

BSTR ToBstr(std::string_view text)
{
    std::u16string wide = AnsiToWide(text);
    BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!result)
        throw PlatformError(E_OUTOFMEMORY);
    return result;
}
