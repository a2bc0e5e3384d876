// The members of IXMLDOMNode, shared by every node class.
#include "platform/xml/DomCall.h"
#include "platform/xml/DomDocument.h"
#include "platform/xml/DomNode.h"
#include "platform/xml/DomNodeList.h"
#include "platform/xml/NodeNames.h"
#include "platform/xml/NodeText.h"
#include "platform/xml/NodeXml.h"
#include "platform/xml/TreeEdit.h"
#include "platform/xml/Utf8Text.h"
#include "platform/xml/XPathSelect.h"

#include <vector>

namespace xmldom::NodeMembers {

namespace {

// Runs `body` under the tree's lock inside the member frame.
template <typename Body>
HRESULT OnNode(const NodeRef& ref, Body&& body)
{
    return DomCall(IXMLDOMNode::iid, [&]() -> HRESULT {
        TreeLock lock(*ref.tree);
        return body(ref.node);
    });
}

template <typename Name>
HRESULT NameMember(const NodeRef& ref, BSTR* out, Name&& name)
{
    return OnNode(ref, [&](xmlNodePtr node) {
        ClearOut(out);
        *out = BstrFromUtf8(name(node));
        return S_OK;
    });
}

bool IsAttribute(xmlNodePtr node)
{
    return node->type == XML_ATTRIBUTE_NODE;
}

// Attributes stand outside the tree in the DOM: no parent, siblings or
// children (their value is their text).
bool HasTreeLinks(xmlNodePtr node)
{
    return !IsAttribute(node);
}

bool HoldsChildren(xmlNodePtr node)
{
    return node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE;
}

// Hands out a related node (or none, S_FALSE).
template <typename Step>
HRESULT RelatedNode(const NodeRef& ref, IXMLDOMNode** out, Step&& step)
{
    return OnNode(ref, [&](xmlNodePtr node) {
        ClearOut(out);
        xmlNodePtr related = HasTreeLinks(node) ? step(node) : nullptr;
        *out = WrapNode(ref, related).Detach();
        return *out ? S_OK : S_FALSE;
    });
}

ComPtr<IXMLDOMNodeList> NewList(const NodeRef& ref, std::vector<xmlNodePtr> nodes)
{
    ComPtr<DomNodeList> list = CreateComponentObject<DomNodeList>();
    list->Bind(ComPtr<IXMLDOMDocument2>(ref.owner), ref, std::move(nodes));
    return ComPtr<IXMLDOMNodeList>(list.Get());
}

} // namespace

HRESULT NodeName(const NodeRef& ref, BSTR* name)
{
    return NameMember(ref, name, [](xmlNodePtr node) { return xmldom::NodeName(node); });
}

HRESULT NodeValue(const NodeRef& ref, VARIANT* value)
{
    return OnNode(ref, [&](xmlNodePtr node) {
        ClearOut(value);
        switch (node->type) {
        case XML_ATTRIBUTE_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            value->bstrVal = BstrFromUtf8(NodeText(node));
            value->vt = VT_BSTR;
            break;
        default:
            value->vt = VT_NULL;
        }
        return S_OK;
    });
}

HRESULT NodeType(const NodeRef& ref, DOMNodeType* type)
{
    return OnNode(ref, [&](xmlNodePtr node) {
        ClearOut(type);
        *type = DomTypeOf(node);
        return S_OK;
    });
}

HRESULT ParentNode(const NodeRef& ref, IXMLDOMNode** parent)
{
    return RelatedNode(ref, parent, [](xmlNodePtr node) { return node->parent; });
}

HRESULT ChildNodes(const NodeRef& ref, IXMLDOMNodeList** childList)
{
    return OnNode(ref, [&](xmlNodePtr node) {
        ClearOut(childList);
        std::vector<xmlNodePtr> children;
        if (HoldsChildren(node))
            for (xmlNodePtr child = node->children; child; child = child->next)
                children.push_back(child);
        *childList = NewList(ref, std::move(children)).Detach();
        return S_OK;
    });
}

HRESULT FirstChild(const NodeRef& ref, IXMLDOMNode** child)
{
    return RelatedNode(ref, child, [](xmlNodePtr node) { return HoldsChildren(node) ? node->children : nullptr; });
}

HRESULT LastChild(const NodeRef& ref, IXMLDOMNode** child)
{
    return RelatedNode(ref, child, [](xmlNodePtr node) { return HoldsChildren(node) ? node->last : nullptr; });
}

HRESULT PreviousSibling(const NodeRef& ref, IXMLDOMNode** sibling)
{
    return RelatedNode(ref, sibling, [](xmlNodePtr node) { return node->prev; });
}

HRESULT NextSibling(const NodeRef& ref, IXMLDOMNode** sibling)
{
    return RelatedNode(ref, sibling, [](xmlNodePtr node) { return node->next; });
}

HRESULT OwnerDocument(const NodeRef& ref, IXMLDOMDocument** document)
{
    return DomCall(IXMLDOMNode::iid, [&] {
        ClearOut(document);
        if (ref.node->type == XML_DOCUMENT_NODE)
            return S_FALSE;
        ComPtr<IXMLDOMDocument>(static_cast<IXMLDOMDocument2*>(ref.owner)).CopyTo(document);
        return S_OK;
    });
}

HRESULT AppendChild(const NodeRef& ref, IXMLDOMNode* newChild, IXMLDOMNode** outNewChild)
{
    return DomCall(IXMLDOMNode::iid, [&] {
        if (outNewChild)
            *outNewChild = nullptr;
        if (!newChild)
            throw DomError(E_INVALIDARG, "The node to append is null");
        ComPtr<IXmlNodeAccess> access;
        if (FAILED(newChild->QueryInterface(IXmlNodeAccess::iid, access.OutVoid())) || !access)
            throw DomError(E_INVALIDARG, "The node to append does not come from this component");
        NodeRef child = access->Ref();
        if (child.tree != ref.tree)
            throw DomError(E_FAIL, "The node to append belongs to another document");
        {
            TreeLock lock(*ref.tree);
            xmldom::AppendChild(ref.node, child.node);
        }
        if (outNewChild)
            ComPtr<IXMLDOMNode>(newChild).CopyTo(outNewChild);
        return S_OK;
    });
}

HRESULT HasChildNodes(const NodeRef& ref, VARIANT_BOOL* hasChild)
{
    return OnNode(ref, [&](xmlNodePtr node) {
        ClearOut(hasChild);
        *hasChild = HoldsChildren(node) && node->children ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT GetText(const NodeRef& ref, BSTR* text)
{
    return NameMember(ref, text, [](xmlNodePtr node) { return NodeText(node); });
}

HRESULT PutText(const NodeRef& ref, BSTR text)
{
    return DomCall(IXMLDOMNode::iid, [&] {
        std::string utf8 = Utf8Argument(text, "The text");
        TreeLock lock(*ref.tree);
        SetNodeText(*ref.tree, ref.node, utf8);
        return S_OK;
    });
}

HRESULT Xml(const NodeRef& ref, BSTR* xmlString)
{
    return NameMember(ref, xmlString, [](xmlNodePtr node) { return NodeXml(node); });
}

namespace {

// Selections run with the document object's current namespace bindings,
// taken before the tree is locked.
std::vector<xmlNodePtr> Select(const NodeRef& ref, BSTR query, bool firstOnly)
{
    std::string expression = Utf8Argument(query, "The XPath expression");
    std::shared_ptr<const NamespaceBindings> bindings = ref.owner->SelectionBindings();
    TreeLock lock(*ref.tree);
    return SelectNodes(*ref.tree, ref.node, expression, bindings, firstOnly);
}

} // namespace

HRESULT SelectNodes(const NodeRef& ref, BSTR query, IXMLDOMNodeList** resultList)
{
    return DomCall(IXMLDOMNode::iid, [&] {
        ClearOut(resultList);
        *resultList = NewList(ref, Select(ref, query, false)).Detach();
        return S_OK;
    });
}

HRESULT SelectSingleNode(const NodeRef& ref, BSTR query, IXMLDOMNode** resultNode)
{
    return DomCall(IXMLDOMNode::iid, [&] {
        ClearOut(resultNode);
        std::vector<xmlNodePtr> found = Select(ref, query, true);
        if (found.empty())
            return S_FALSE;
        TreeLock lock(*ref.tree);
        *resultNode = WrapNode(ref, found.front()).Detach();
        return S_OK;
    });
}

HRESULT NamespaceUri(const NodeRef& ref, BSTR* uri)
{
    return NameMember(ref, uri, [](xmlNodePtr node) { return NodeNamespaceUri(node); });
}

HRESULT Prefix(const NodeRef& ref, BSTR* prefix)
{
    return NameMember(ref, prefix, [](xmlNodePtr node) { return NodePrefix(node); });
}

HRESULT BaseName(const NodeRef& ref, BSTR* name)
{
    return NameMember(ref, name, [](xmlNodePtr node) { return NodeBaseName(node); });
}

} // namespace xmldom::NodeMembers
