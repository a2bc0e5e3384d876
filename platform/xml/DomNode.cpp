#include "platform/xml/DomNode.h"

#include "platform/xml/DomCall.h"
#include "platform/xml/DomDocument.h"
#include "platform/xml/NodeNames.h"
#include "platform/xml/NodeText.h"
#include "platform/xml/Utf8Text.h"

namespace xmldom {

namespace {

// Node classes are not creatable: their class ids only tell this
// component's objects apart.
const CoClassDescription PlainNodeClass = {
    "DOMNode", MakeGuid("{C6A8D652-AEEC-4749-A736-A8802DC02A5D}"), nullptr, nullptr, nullptr,
    &IXMLDOMNode_Interface, nullptr};
const CoClassDescription ElementClass = {
    "DOMElement", MakeGuid("{2EAC6769-C60F-4248-AF0E-8404724156BC}"), nullptr, nullptr, nullptr,
    &IXMLDOMElement_Interface, nullptr};

ComPtr<IXMLDOMDocument2> OwnerInterface(const NodeRef& from)
{
    return ComPtr<IXMLDOMDocument2>(from.owner);
}

template <typename Body>
HRESULT OnElement(const NodeRef& ref, Body&& body)
{
    return DomCall(IXMLDOMElement::iid, [&]() -> HRESULT {
        TreeLock lock(*ref.tree);
        return body(ref.node);
    });
}

} // namespace

const CoClassDescription& DomPlainNode::CoClass() { return PlainNodeClass; }
const CoClassDescription& DomElement::CoClass() { return ElementClass; }

ComPtr<IXMLDOMElement> WrapElement(const NodeRef& from, xmlNodePtr element)
{
    if (!element)
        return {};
    ComPtr<DomElement> object = CreateComponentObject<DomElement>();
    object->Bind(OwnerInterface(from), NodeRef{from.owner, from.tree, element});
    return ComPtr<IXMLDOMElement>(object.Get());
}

ComPtr<IXMLDOMNode> WrapNode(const NodeRef& from, xmlNodePtr node)
{
    if (!node)
        return {};
    if (node->type == XML_ELEMENT_NODE)
        return ComPtr<IXMLDOMNode>(WrapElement(from, node).Get());
    if (node->type == XML_DOCUMENT_NODE && from.owner->CurrentTree() == from.tree)
        return ComPtr<IXMLDOMNode>(static_cast<IXMLDOMDocument2*>(from.owner));
    ComPtr<DomPlainNode> object = CreateComponentObject<DomPlainNode>();
    object->Bind(OwnerInterface(from), NodeRef{from.owner, from.tree, node});
    return ComPtr<IXMLDOMNode>(object.Get());
}

HRESULT DomElement::get_tagName(BSTR* tagName)
{
    return OnElement(Bound(), [&](xmlNodePtr node) {
        ClearOut(tagName);
        *tagName = BstrFromUtf8(QualifiedName(node));
        return S_OK;
    });
}

HRESULT DomElement::getAttribute(BSTR name, VARIANT* value)
{
    return OnElement(Bound(), [&](xmlNodePtr node) {
        ClearOut(value);
        std::optional<std::string> found = GetAttribute(node, Utf8FromBstr(name));
        if (!found) {
            value->vt = VT_NULL;
            return S_FALSE;
        }
        value->bstrVal = BstrFromUtf8(*found);
        value->vt = VT_BSTR;
        return S_OK;
    });
}

HRESULT DomElement::setAttribute(BSTR name, VARIANT value)
{
    return DomCall(IXMLDOMElement::iid, [&] {
        std::string qualifiedName = Utf8Argument(name, "The attribute name");
        // Numbers and other values are written as their text.
        Variant text;
        HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
        if (FAILED(hr))
            throw DomError(hr, "The value of attribute " + qualifiedName + " cannot be turned into text");
        std::string utf8 = Utf8Argument(text.bstrVal, "The attribute value");
        TreeLock lock(*Bound().tree);
        SetAttribute(Bound().node, qualifiedName, utf8);
        return S_OK;
    });
}

} // namespace xmldom
