// The XML toolkit: how the service client builds, parses and reads XML.
//
// Every element tree is built in a DOM document of the XML document
// component and serialised by it; documents come from the platform through
// CreateDocument. Text handed out is narrow (Windows-1252), converted from
// and to the component's UTF-16.
#pragma once

#include "platform/ComPtr.h"
#include "service/XmlText.h"
#include "typelib/TsXmlDom.h"

#include <cstdint>
#include <exception>
#include <string>

namespace XmlStuff {

// Counted references to the component's document, element and node. An
// element reference made from a node that is no element is empty.
using DocumentPtr = ComPtr<IXMLDOMDocument2>;
using ElementPtr = ComPtr<IXMLDOMElement>;
using NodePtr = ComPtr<IXMLDOMNode>;

// Base of every record that maps to XML. No data, no virtual destructor: a
// record is always destroyed through its own type.
class XmlSerializer {
public:
    // The record's own element with its scalar fields as attributes, not
    // attached anywhere; a document is created first when none is given.
    virtual ElementPtr ToXmlNode(DocumentPtr document) = 0;
    // The same with the elements of the records it contains.
    virtual ElementPtr ToXmlNodeDeep(DocumentPtr document) = 0;
    // Fills the record from an element (XmlException for a missing
    // attribute, PlatformError for failures of the component).
    virtual void FromXmlNode(NodePtr node) = 0;

protected:
    XmlSerializer() = default;
    XmlSerializer(const XmlSerializer&) = default;
    XmlSerializer& operator=(const XmlSerializer&) = default;
    ~XmlSerializer() = default;
};

// A required attribute is missing; thrown only by the attribute readers.
class XmlException : public std::exception {
public:
    explicit XmlException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The messages of this toolkit are cut to this many characters.
constexpr std::size_t kMaxMessageLength = 63999;

// A new, empty document whose selections use XPath. PlatformError with the
// platform's code (and no error information) when the component cannot be
// created, run or asked for its document interface.
DocumentPtr CreateDocument();

// A new document holding the parsed text. A parse error throws
// std::runtime_error "ErrorCode: %lx. At line:char (%ld:%ld) Reason: %s".
DocumentPtr LoadXmlText(const std::string& text);

// Attribute readers. An empty element reference throws PlatformError
// (E_POINTER); an absent attribute XmlException "Attribute %s not found in
// element %s" (the element's node name for text, its whole XML for numbers);
// a value that does not convert PlatformError with the conversion's code.
// The forms with a default return it for an absent attribute only.
std::string GetAttributeText(const ElementPtr& element, const std::string& name);
std::string GetAttributeText(const ElementPtr& element, const std::string& name, const std::string& defaultText);
std::int32_t GetAttributeInt(const ElementPtr& element, const std::string& name);
std::int32_t GetAttributeInt(const ElementPtr& element, const std::string& name, std::int32_t defaultValue);
double GetAttributeReal(const ElementPtr& element, const std::string& name);
double GetAttributeReal(const ElementPtr& element, const std::string& name, double defaultValue);

} // namespace XmlStuff
