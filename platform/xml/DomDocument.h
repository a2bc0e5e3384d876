// The document class DOMDocument: a tree that loadXML replaces, the
// document's selection settings and the outcome of its last load.
#pragma once

#include "platform/xml/DocumentParser.h"
#include "platform/xml/DomNode.h"

#include <mutex>
#include <string>

namespace xmldom {

class DomDocument final
    : public DomNodeObject<DomDocument, IXMLDOMDocument2, InterfaceFacet<IXMLDOMDocument>, InterfaceFacet<IXMLDOMNode>> {
public:
    static const CoClassDescription& CoClass() { return DOMDocument_CoClass; }
    HRESULT FinalConstruct();

    NodeRef Ref() override;
    std::shared_ptr<XmlTree> CurrentTree();
    std::shared_ptr<const NamespaceBindings> SelectionBindings();

    // IXMLDOMDocument
    HRESULT get_documentElement(IXMLDOMElement** element) override;
    HRESULT createElement(BSTR tagName, IXMLDOMElement** element) override;
    HRESULT createTextNode(BSTR data, IXMLDOMNode** text) override;
    HRESULT get_async(VARIANT_BOOL* isAsync) override;
    HRESULT put_async(VARIANT_BOOL isAsync) override;
    HRESULT loadXML(BSTR xmlString, VARIANT_BOOL* isSuccessful) override;
    HRESULT get_parseError(IXMLDOMParseError** errorObj) override;

    // IXMLDOMDocument2
    HRESULT setProperty(BSTR name, VARIANT value) override;
    HRESULT getProperty(BSTR name, VARIANT* value) override;

private:
    // Guards the fields below; held only for reading or replacing them,
    // never while a tree is locked.
    std::mutex stateMutex_;
    std::shared_ptr<XmlTree> tree_;
    std::shared_ptr<const NamespaceBindings> bindings_;
    std::string selectionNamespaces_;
    bool async_ = true;
    ParseFailure lastError_;
};

} // namespace xmldom
