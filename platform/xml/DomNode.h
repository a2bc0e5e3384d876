// The node objects of the component.
//
// Every node object answers IXMLDOMNode; elements also IXMLDOMElement, the
// document also IXMLDOMDocument and IXMLDOMDocument2. The members of
// IXMLDOMNode are written once (NodeMembers, on a NodeRef) and bound into
// each class by DomNodeObject. A node object holds its tree and its document
// object, so both live as long as any node of them is referenced.
#pragma once

#include "platform/ComObject.h"
#include "platform/xml/DomError.h"
#include "platform/xml/XmlTree.h"
#include "typelib/TsXmlDom.h"

#include <memory>
#include <new>
#include <utility>

namespace xmldom {

class DomDocument;

// What a node object stands for.
struct NodeRef {
    DomDocument* owner = nullptr; // kept alive by the node object in use
    std::shared_ptr<XmlTree> tree;
    xmlNodePtr node = nullptr;
};

// Private: the node behind any node object of this component, whichever
// interface of it a caller passes back (appendChild's argument).
struct IXmlNodeAccess : IUnknown {
    static constexpr IID iid = MakeGuid("{1B017D19-E304-44DC-889A-9529AB82D787}");
    virtual NodeRef Ref() = 0;
};

// An interface that the object's primary interface derives from, answered
// by QueryInterface through a base of its own (deriving from the interface
// itself a second time would make it ambiguous).
template <typename I>
struct InterfaceFacet : I {};

namespace NodeMembers {
HRESULT NodeName(const NodeRef& ref, BSTR* name);
HRESULT NodeValue(const NodeRef& ref, VARIANT* value);
HRESULT NodeType(const NodeRef& ref, DOMNodeType* type);
HRESULT ParentNode(const NodeRef& ref, IXMLDOMNode** parent);
HRESULT ChildNodes(const NodeRef& ref, IXMLDOMNodeList** childList);
HRESULT FirstChild(const NodeRef& ref, IXMLDOMNode** child);
HRESULT LastChild(const NodeRef& ref, IXMLDOMNode** child);
HRESULT PreviousSibling(const NodeRef& ref, IXMLDOMNode** sibling);
HRESULT NextSibling(const NodeRef& ref, IXMLDOMNode** sibling);
HRESULT OwnerDocument(const NodeRef& ref, IXMLDOMDocument** document);
HRESULT AppendChild(const NodeRef& ref, IXMLDOMNode* newChild, IXMLDOMNode** outNewChild);
HRESULT HasChildNodes(const NodeRef& ref, VARIANT_BOOL* hasChild);
HRESULT GetText(const NodeRef& ref, BSTR* text);
HRESULT PutText(const NodeRef& ref, BSTR text);
HRESULT Xml(const NodeRef& ref, BSTR* xmlString);
HRESULT SelectNodes(const NodeRef& ref, BSTR query, IXMLDOMNodeList** resultList);
HRESULT SelectSingleNode(const NodeRef& ref, BSTR query, IXMLDOMNode** resultNode);
HRESULT NamespaceUri(const NodeRef& ref, BSTR* uri);
HRESULT Prefix(const NodeRef& ref, BSTR* prefix);
HRESULT BaseName(const NodeRef& ref, BSTR* name);
} // namespace NodeMembers

template <typename Derived, typename Interface, typename... Facets>
class DomNodeObject : public DispatchObject<Derived, Interface, IXmlNodeAccess, Facets...> {
public:
    HRESULT get_nodeName(BSTR* name) override { return NodeMembers::NodeName(this->Ref(), name); }
    HRESULT get_nodeValue(VARIANT* value) override { return NodeMembers::NodeValue(this->Ref(), value); }
    HRESULT get_nodeType(DOMNodeType* type) override { return NodeMembers::NodeType(this->Ref(), type); }
    HRESULT get_parentNode(IXMLDOMNode** parent) override { return NodeMembers::ParentNode(this->Ref(), parent); }
    HRESULT get_childNodes(IXMLDOMNodeList** list) override { return NodeMembers::ChildNodes(this->Ref(), list); }
    HRESULT get_firstChild(IXMLDOMNode** child) override { return NodeMembers::FirstChild(this->Ref(), child); }
    HRESULT get_lastChild(IXMLDOMNode** child) override { return NodeMembers::LastChild(this->Ref(), child); }
    HRESULT get_previousSibling(IXMLDOMNode** sibling) override
    {
        return NodeMembers::PreviousSibling(this->Ref(), sibling);
    }
    HRESULT get_nextSibling(IXMLDOMNode** sibling) override
    {
        return NodeMembers::NextSibling(this->Ref(), sibling);
    }
    HRESULT get_ownerDocument(IXMLDOMDocument** document) override
    {
        return NodeMembers::OwnerDocument(this->Ref(), document);
    }
    HRESULT appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) override
    {
        return NodeMembers::AppendChild(this->Ref(), newChild, outNewChild);
    }
    HRESULT hasChildNodes(VARIANT_BOOL* hasChild) override
    {
        return NodeMembers::HasChildNodes(this->Ref(), hasChild);
    }
    HRESULT get_text(BSTR* text) override { return NodeMembers::GetText(this->Ref(), text); }
    HRESULT put_text(BSTR text) override { return NodeMembers::PutText(this->Ref(), text); }
    HRESULT get_xml(BSTR* xmlString) override { return NodeMembers::Xml(this->Ref(), xmlString); }
    HRESULT selectNodes(BSTR query, IXMLDOMNodeList** resultList) override
    {
        return NodeMembers::SelectNodes(this->Ref(), query, resultList);
    }
    HRESULT selectSingleNode(BSTR query, IXMLDOMNode** resultNode) override
    {
        return NodeMembers::SelectSingleNode(this->Ref(), query, resultNode);
    }
    HRESULT get_namespaceURI(BSTR* uri) override { return NodeMembers::NamespaceUri(this->Ref(), uri); }
    HRESULT get_prefix(BSTR* prefix) override { return NodeMembers::Prefix(this->Ref(), prefix); }
    HRESULT get_baseName(BSTR* name) override { return NodeMembers::BaseName(this->Ref(), name); }

    // Error information is offered on every DOM interface of the object.
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override
    {
        return riid == Interface::iid || ((riid == Facets::iid) || ...) ? S_OK : S_FALSE;
    }
};

// A node object bound to one node of one tree.
template <typename Derived, typename Interface, typename... Facets>
class BoundNodeObject : public DomNodeObject<Derived, Interface, Facets...> {
public:
    // `owner` is the interface of ref.owner; holding it keeps the document object alive.
    void Bind(ComPtr<IXMLDOMDocument2> owner, NodeRef ref)
    {
        owner_ = std::move(owner);
        ref_ = std::move(ref);
    }
    NodeRef Ref() override { return ref_; }

protected:
    const NodeRef& Bound() const { return ref_; }

private:
    ComPtr<IXMLDOMDocument2> owner_;
    NodeRef ref_;
};

// Attributes, text, comments, processing instructions (and the document
// node of a tree the document object has since replaced by loading).
class DomPlainNode final : public BoundNodeObject<DomPlainNode, IXMLDOMNode> {
public:
    static const CoClassDescription& CoClass();
};

class DomElement final : public BoundNodeObject<DomElement, IXMLDOMElement, InterfaceFacet<IXMLDOMNode>> {
public:
    static const CoClassDescription& CoClass();

    HRESULT get_tagName(BSTR* tagName) override;
    HRESULT getAttribute(BSTR name, VARIANT* value) override;
    HRESULT setAttribute(BSTR name, VARIANT value) override;
};

// A new node object for `node` of `from`'s tree and document object: the
// document object itself for its current document node, nothing for null.
ComPtr<IXMLDOMNode> WrapNode(const NodeRef& from, xmlNodePtr node);
ComPtr<IXMLDOMElement> WrapElement(const NodeRef& from, xmlNodePtr element);

// Creates an object of one of this component's classes (not aggregated).
template <typename T>
ComPtr<T> CreateComponentObject()
{
    void* created = nullptr;
    HRESULT hr = T::CreateInstance(nullptr, T::PrimaryInterface::iid, &created);
    if (hr == E_OUTOFMEMORY)
        throw std::bad_alloc();
    if (FAILED(hr) || !created)
        throw DomError(FAILED(hr) ? hr : E_FAIL, "A node object could not be created");
    return ComPtr<T>::Attach(static_cast<T*>(static_cast<typename T::PrimaryInterface*>(created)));
}

} // namespace xmldom
