#include "service/XmlStuff.h"

#include "common/Exceptions.h"
#include "common/StringConversion.h"
#include "platform/Activation.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/Variant.h"

#include <cinttypes>
#include <cstdio>
#include <stdexcept>

namespace XmlStuff {

namespace {

constexpr DWORD kAnyServerContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

std::string Capped(std::string message)
{
    if (message.size() > kMaxMessageLength)
        message.resize(kMaxMessageLength);
    return message;
}

BStr Wide(const std::string& text)
{
    return BStr::Attach(ToBstr(text));
}

// The attribute's value, or VT_NULL/VT_EMPTY when the element has none.
Variant AttributeValue(const ElementPtr& element, const std::string& name)
{
    if (!element)
        throw PlatformError(E_POINTER);
    Variant value;
    PlatformError::ThrowIfFailed(element->getAttribute(Wide(name).Get(), value.Out()), element.Get(),
                                 IXMLDOMElement::iid);
    return value;
}

bool IsAbsent(const Variant& value)
{
    return value.vt == VT_NULL || value.vt == VT_EMPTY;
}

[[noreturn]] void ThrowMissing(const std::string& name, const std::string& elementText)
{
    throw XmlException(Capped("Attribute " + name + " not found in element " + elementText));
}

std::string NodeNameOf(const ElementPtr& element)
{
    BStr name;
    PlatformError::ThrowIfFailed(element->get_nodeName(name.Out()), element.Get(), IXMLDOMElement::iid);
    return FromBstr(name.Get());
}

std::string XmlOf(const ElementPtr& element)
{
    BStr xml;
    PlatformError::ThrowIfFailed(element->get_xml(xml.Out()), element.Get(), IXMLDOMElement::iid);
    return FromBstr(xml.Get());
}

// The value converted in place with the platform's rules (flags 0).
void ConvertTo(Variant& value, VARTYPE type)
{
    if (value.vt == type)
        return;
    PlatformError::ThrowIfFailed(VariantChangeType(&value, &value, 0, type));
}

template <typename Read, typename Fallback>
auto WithDefault(Read&& read, Fallback fallback) -> decltype(read())
{
    try {
        return read();
    } catch (const XmlException&) {
        return fallback;
    }
}

} // namespace

DocumentPtr CreateDocument()
{
    ComPtr<IUnknown> object;
    HRESULT hr = CoCreateInstance(CLSID_DOMDocument, nullptr, kAnyServerContext, IUnknown::iid, object.OutVoid());
    if (FAILED(hr))
        throw PlatformError(hr);
    if (FAILED(hr = OleRun(object.Get())))
        throw PlatformError(hr);
    DocumentPtr document;
    if (FAILED(hr = object.As(document)) || !document)
        throw PlatformError(FAILED(hr) ? hr : E_NOINTERFACE);
    object.Reset();

    Variant xpath = Variant::FromString(u"XPath");
    PlatformError::ThrowIfFailed(document->setProperty(BStr(u"SelectionLanguage").Get(), xpath), document.Get(),
                                 IXMLDOMDocument2::iid);
    return document;
}

DocumentPtr LoadXmlText(const std::string& text)
{
    DocumentPtr document = CreateDocument();
    PlatformError::ThrowIfFailed(document->put_async(VARIANT_FALSE), document.Get(), IXMLDOMDocument2::iid);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    PlatformError::ThrowIfFailed(document->loadXML(Wide(text).Get(), &loaded), document.Get(),
                                 IXMLDOMDocument2::iid);
    if (loaded != VARIANT_FALSE)
        return document;

    ComPtr<IXMLDOMParseError> error;
    PlatformError::ThrowIfFailed(document->get_parseError(error.Out()), document.Get(), IXMLDOMDocument2::iid);
    if (!error)
        throw PlatformError(E_POINTER);
    LONG code = 0, line = 0, position = 0;
    BStr reason;
    PlatformError::ThrowIfFailed(error->get_errorCode(&code), error.Get(), IXMLDOMParseError::iid);
    PlatformError::ThrowIfFailed(error->get_line(&line), error.Get(), IXMLDOMParseError::iid);
    PlatformError::ThrowIfFailed(error->get_linepos(&position), error.Get(), IXMLDOMParseError::iid);
    PlatformError::ThrowIfFailed(error->get_reason(reason.Out()), error.Get(), IXMLDOMParseError::iid);

    char head[96];
    std::snprintf(head, sizeof head, "ErrorCode: %" PRIx32 ". At line:char (%" PRId32 ":%" PRId32 ") Reason: ",
                  static_cast<std::uint32_t>(code), line, position);
    throw std::runtime_error(Capped(head + FromBstr(reason.Get())));
}

std::string GetAttributeText(const ElementPtr& element, const std::string& name)
{
    Variant value = AttributeValue(element, name);
    if (IsAbsent(value))
        ThrowMissing(name, NodeNameOf(element));
    ConvertTo(value, VT_BSTR);
    return FromBstr(value.bstrVal);
}

std::string GetAttributeText(const ElementPtr& element, const std::string& name, const std::string& defaultText)
{
    return WithDefault([&] { return GetAttributeText(element, name); }, defaultText);
}

std::int32_t GetAttributeInt(const ElementPtr& element, const std::string& name)
{
    Variant value = AttributeValue(element, name);
    if (IsAbsent(value))
        ThrowMissing(name, XmlOf(element));
    ConvertTo(value, VT_INT);
    return value.intVal;
}

std::int32_t GetAttributeInt(const ElementPtr& element, const std::string& name, std::int32_t defaultValue)
{
    return WithDefault([&] { return GetAttributeInt(element, name); }, defaultValue);
}

double GetAttributeReal(const ElementPtr& element, const std::string& name)
{
    Variant value = AttributeValue(element, name);
    if (IsAbsent(value))
        ThrowMissing(name, XmlOf(element));
    ConvertTo(value, VT_R8);
    return value.dblVal;
}

double GetAttributeReal(const ElementPtr& element, const std::string& name, double defaultValue)
{
    return WithDefault([&] { return GetAttributeReal(element, name); }, defaultValue);
}

} // namespace XmlStuff
