#include "platform/xml/DomParseError.h"

#include "platform/xml/DomCall.h"
#include "platform/xml/Utf8Text.h"

namespace xmldom {

namespace {
const CoClassDescription ParseErrorClass = {
    "DOMParseError", MakeGuid("{D9EE50E5-20F4-4885-B242-C0B996023151}"), nullptr, nullptr, nullptr,
    &IXMLDOMParseError_Interface, nullptr};

template <typename T>
HRESULT Give(T* out, T value)
{
    return DomCall(IXMLDOMParseError::iid, [&] {
        ClearOut(out);
        *out = value;
        return S_OK;
    });
}
} // namespace

const CoClassDescription& DomParseError::CoClass() { return ParseErrorClass; }

HRESULT DomParseError::get_errorCode(LONG* errorCode) { return Give(errorCode, failure_.code); }
HRESULT DomParseError::get_line(LONG* lineNumber) { return Give(lineNumber, failure_.line); }
HRESULT DomParseError::get_linepos(LONG* linePosition) { return Give(linePosition, failure_.linepos); }

HRESULT DomParseError::get_reason(BSTR* reasonString)
{
    return DomCall(IXMLDOMParseError::iid, [&] {
        ClearOut(reasonString);
        *reasonString = BstrFromUtf8(failure_.reason);
        return S_OK;
    });
}

} // namespace xmldom
