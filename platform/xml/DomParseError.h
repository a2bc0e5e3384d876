// The outcome of a document's last load, as it was then.
#pragma once

#include "platform/ComObject.h"
#include "platform/xml/DocumentParser.h"
#include "typelib/TsXmlDom.h"

namespace xmldom {

class DomParseError final : public DispatchObject<DomParseError, IXMLDOMParseError> {
public:
    static const CoClassDescription& CoClass();

    void Bind(ParseFailure failure) { failure_ = std::move(failure); }

    HRESULT get_errorCode(LONG* errorCode) override;
    HRESULT get_reason(BSTR* reasonString) override;
    HRESULT get_line(LONG* lineNumber) override;
    HRESULT get_linepos(LONG* linePosition) override;

private:
    ParseFailure failure_;
};

} // namespace xmldom
