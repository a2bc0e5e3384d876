#include "service/ServiceDom.h"

#include "common/Exceptions.h"
#include "common/StringConversion.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/Variant.h"

namespace Tessaly::Dom {

namespace {

BStr Wide(const std::string& text)
{
    return BStr(AnsiToWide(text));
}

std::string Narrow(const BStr& text)
{
    return FromBstr(text.Get());
}

template <typename Interface>
void Check(HRESULT hr, const ComPtr<Interface>& object)
{
    PlatformError::ThrowIfFailed(hr, object.Get(), Interface::iid);
}

template <typename Interface>
Interface* Require(const ComPtr<Interface>& object)
{
    if (!object)
        throw PlatformError(E_POINTER);
    return object.Get();
}

XmlStuff::NodePtr SelectFrom(IXMLDOMNode* from, const ComPtr<IXMLDOMNode>& owner, const std::string& xpath)
{
    XmlStuff::NodePtr found;
    Check(from->selectSingleNode(Wide(xpath).Get(), found.Out()), owner);
    return found;
}

} // namespace

XmlStuff::ElementPtr CreateElement(const XmlStuff::DocumentPtr& document, const std::string& qualifiedName)
{
    XmlStuff::ElementPtr element;
    Check(Require(document)->createElement(Wide(qualifiedName).Get(), element.Out()), document);
    if (!element)
        throw PlatformError(E_POINTER);
    return element;
}

void SetAttribute(const XmlStuff::ElementPtr& element, const std::string& name, const std::string& value)
{
    Variant text = Variant::FromString(AnsiToWide(value));
    Check(Require(element)->setAttribute(Wide(name).Get(), text), element);
}

void AppendChild(const XmlStuff::ElementPtr& parent, const XmlStuff::ElementPtr& child)
{
    ComPtr<IXMLDOMNode> appended;
    Check(Require(parent)->appendChild(Require(child), appended.Out()), parent);
}

std::string XmlOf(const XmlStuff::ElementPtr& element)
{
    BStr xml;
    Check(Require(element)->get_xml(xml.Out()), element);
    return Narrow(xml);
}

void SetProperty(const XmlStuff::DocumentPtr& document, const std::string& name, const std::string& value)
{
    Variant text = Variant::FromString(AnsiToWide(value));
    Check(Require(document)->setProperty(Wide(name).Get(), text), document);
}

XmlStuff::NodePtr SelectSingle(const XmlStuff::DocumentPtr& document, const std::string& xpath)
{
    return SelectFrom(Require(document), ComPtr<IXMLDOMNode>(document.Get()), xpath);
}

XmlStuff::NodePtr SelectSingle(const XmlStuff::NodePtr& node, const std::string& xpath)
{
    return SelectFrom(Require(node), node, xpath);
}

std::vector<XmlStuff::NodePtr> SelectAll(const XmlStuff::NodePtr& node, const std::string& xpath)
{
    ComPtr<IXMLDOMNodeList> list;
    Check(Require(node)->selectNodes(Wide(xpath).Get(), list.Out()), node);
    LONG length = 0;
    Check(Require(list)->get_length(&length), list);
    std::vector<XmlStuff::NodePtr> nodes;
    nodes.reserve(length > 0 ? static_cast<size_t>(length) : 0);
    for (LONG i = 0; i < length; ++i) {
        XmlStuff::NodePtr item;
        Check(list->get_item(i, item.Out()), list);
        nodes.push_back(std::move(item));
    }
    return nodes;
}

std::string TextOf(const XmlStuff::NodePtr& node)
{
    BStr text;
    Check(Require(node)->get_text(text.Out()), node);
    return Narrow(text);
}

XmlStuff::ElementPtr AsElement(const XmlStuff::NodePtr& node)
{
    return node.As<IXMLDOMElement>();
}

} // namespace Tessaly::Dom
