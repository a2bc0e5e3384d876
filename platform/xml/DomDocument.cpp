#include "platform/xml/DomDocument.h"

#include "platform/xml/DomCall.h"
#include "platform/xml/DomParseError.h"
#include "platform/xml/TreeEdit.h"
#include "platform/xml/Utf8Text.h"
#include "platform/xml/XPathSelect.h"

#include <libxml/parser.h>

#include <mutex>

namespace xmldom {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return true;
}

enum class Property { SelectionLanguage, SelectionNamespaces };

Property PropertyNamed(const std::string& name)
{
    if (EqualsIgnoringCase(name, "SelectionLanguage"))
        return Property::SelectionLanguage;
    if (EqualsIgnoringCase(name, "SelectionNamespaces"))
        return Property::SelectionNamespaces;
    throw DomError(E_INVALIDARG, "The document has no property named '" + name + "'");
}

template <typename Body>
HRESULT OnDocument(Body&& body)
{
    return DomCall(IXMLDOMDocument::iid, body);
}

} // namespace

HRESULT DomDocument::FinalConstruct()
{
    static std::once_flag initialised;
    return DomCall(IXMLDOMDocument::iid, [&] {
        std::call_once(initialised, [] { xmlInitParser(); });
        tree_ = XmlTree::CreateEmpty();
        return S_OK;
    });
}

std::shared_ptr<XmlTree> DomDocument::CurrentTree()
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    return tree_;
}

std::shared_ptr<const NamespaceBindings> DomDocument::SelectionBindings()
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    return bindings_;
}

NodeRef DomDocument::Ref()
{
    std::shared_ptr<XmlTree> tree = CurrentTree();
    xmlNodePtr node = tree->DocumentNode();
    return NodeRef{this, std::move(tree), node};
}

HRESULT DomDocument::get_documentElement(IXMLDOMElement** element)
{
    return OnDocument([&] {
        ClearOut(element);
        NodeRef ref = Ref();
        TreeLock lock(*ref.tree);
        *element = WrapElement(ref, xmlDocGetRootElement(ref.tree->Document())).Detach();
        return *element ? S_OK : S_FALSE;
    });
}

HRESULT DomDocument::createElement(BSTR tagName, IXMLDOMElement** element)
{
    return OnDocument([&] {
        ClearOut(element);
        std::string name = Utf8Argument(tagName, "The element name");
        NodeRef ref = Ref();
        TreeLock lock(*ref.tree);
        *element = WrapElement(ref, CreateElement(*ref.tree, name)).Detach();
        return S_OK;
    });
}

HRESULT DomDocument::createTextNode(BSTR data, IXMLDOMNode** text)
{
    return OnDocument([&] {
        ClearOut(text);
        std::string content = Utf8Argument(data, "The text");
        NodeRef ref = Ref();
        TreeLock lock(*ref.tree);
        *text = WrapNode(ref, CreateText(*ref.tree, content)).Detach();
        return S_OK;
    });
}

HRESULT DomDocument::get_async(VARIANT_BOOL* isAsync)
{
    return OnDocument([&] {
        ClearOut(isAsync);
        std::lock_guard<std::mutex> guard(stateMutex_);
        *isAsync = async_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

// Loading text is always complete when loadXML returns; the flag is kept
// for callers that set and read it.
HRESULT DomDocument::put_async(VARIANT_BOOL isAsync)
{
    return OnDocument([&] {
        std::lock_guard<std::mutex> guard(stateMutex_);
        async_ = isAsync != VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT DomDocument::loadXML(BSTR xmlString, VARIANT_BOOL* isSuccessful)
{
    return OnDocument([&] {
        ClearOut(isSuccessful);
        ParseOutcome outcome = ParseDocument(Utf8FromBstr(xmlString));
        // A failed load leaves the document empty, as a fresh one.
        std::shared_ptr<XmlTree> tree = outcome.tree ? outcome.tree : XmlTree::CreateEmpty();
        std::lock_guard<std::mutex> guard(stateMutex_);
        tree_ = std::move(tree);
        lastError_ = outcome.failure;
        *isSuccessful = outcome.tree ? VARIANT_TRUE : VARIANT_FALSE;
        return outcome.tree ? S_OK : S_FALSE;
    });
}

HRESULT DomDocument::get_parseError(IXMLDOMParseError** errorObj)
{
    return OnDocument([&] {
        ClearOut(errorObj);
        ParseFailure failure;
        {
            std::lock_guard<std::mutex> guard(stateMutex_);
            failure = lastError_;
        }
        ComPtr<DomParseError> error = CreateComponentObject<DomParseError>();
        error->Bind(std::move(failure));
        *errorObj = error.Detach();
        return S_OK;
    });
}

HRESULT DomDocument::setProperty(BSTR name, VARIANT value)
{
    return DomCall(IXMLDOMDocument2::iid, [&] {
        std::string propertyName = Utf8FromBstr(name);
        Property property = PropertyNamed(propertyName);
        Variant text;
        HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
        if (FAILED(hr))
            throw DomError(hr, "The value of " + propertyName + " must be text");
        std::string utf8 = Utf8Argument(text.bstrVal, "The property value");
        if (property == Property::SelectionLanguage) {
            if (!EqualsIgnoringCase(utf8, "XPath"))
                throw DomError(E_INVALIDARG, "SelectionLanguage '" + utf8 + "' is not supported; only XPath is");
            return S_OK;
        }
        auto bindings = std::make_shared<const NamespaceBindings>(ParseSelectionNamespaces(utf8));
        std::lock_guard<std::mutex> guard(stateMutex_);
        bindings_ = bindings->empty() ? nullptr : std::move(bindings);
        selectionNamespaces_ = std::move(utf8);
        return S_OK;
    });
}

HRESULT DomDocument::getProperty(BSTR name, VARIANT* value)
{
    return DomCall(IXMLDOMDocument2::iid, [&] {
        ClearOut(value);
        Property property = PropertyNamed(Utf8FromBstr(name));
        std::string text = "XPath";
        if (property == Property::SelectionNamespaces) {
            std::lock_guard<std::mutex> guard(stateMutex_);
            text = selectionNamespaces_;
        }
        value->bstrVal = BstrFromUtf8(text);
        value->vt = VT_BSTR;
        return S_OK;
    });
}

} // namespace xmldom
