#include "platform/xml/XmlTree.h"

#include <libxml/xmlerror.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <new>

namespace xmldom {

namespace {
void DiscardError(void*, xmlErrorPtr) {}
} // namespace

ScopedErrorHandler::ScopedErrorHandler(void* context, xmlStructuredErrorFunc handler)
    : previous_(xmlStructuredError), previousContext_(xmlStructuredErrorContext)
{
    xmlSetStructuredErrorFunc(context, handler);
}

ScopedErrorHandler::~ScopedErrorHandler()
{
    xmlSetStructuredErrorFunc(previousContext_, previous_);
}

QuietLibxml::QuietLibxml() : ScopedErrorHandler(nullptr, DiscardError) {}

namespace {
const xmlChar* const kUtf8 = reinterpret_cast<const xmlChar*>("UTF-8");
} // namespace

void MarkUtf8(xmlDocPtr document)
{
    // Serialisation writes attribute values of a document without a known
    // encoding as character references; the tree holds UTF-8, so it says so.
    if (document->encoding && xmlStrEqual(document->encoding, kUtf8))
        return;
    const xmlChar* encoding = xmlStrdup(kUtf8);
    if (!encoding)
        throw std::bad_alloc();
    xmlFree(const_cast<xmlChar*>(document->encoding));
    document->encoding = encoding;
}

XmlTree::XmlTree(xmlDocPtr document) : document_(document) {}

XmlTree::~XmlTree()
{
    QuietLibxml quiet;
    if (xpath_)
        xmlXPathFreeContext(xpath_);
    // Decide which detached nodes are still roots before freeing any: a
    // detached node appended below another is freed with that one. They go
    // before the document, whose dictionary their names may live in.
    // A node may have been detached more than once.
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr node : detached_)
        if (!node->parent)
            roots.push_back(node);
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    for (xmlNodePtr node : roots)
        xmlFreeNode(node);
    xmlFreeDoc(document_);
}

std::shared_ptr<XmlTree> XmlTree::CreateEmpty()
{
    xmlDocPtr document = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    if (!document)
        throw std::bad_alloc();
    try {
        MarkUtf8(document);
        return std::make_shared<XmlTree>(document);
    } catch (...) {
        xmlFreeDoc(document);
        throw;
    }
}

xmlXPathContextPtr XmlTree::XPathContext(const std::shared_ptr<const NamespaceBindings>& bindings)
{
    if (!xpath_) {
        xpath_ = xmlXPathNewContext(document_);
        if (!xpath_)
            throw std::bad_alloc();
    }
    if (registered_ != bindings) {
        xmlXPathRegisteredNsCleanup(xpath_);
        registered_.reset();
        if (bindings)
            for (const auto& [prefix, uri] : *bindings)
                if (xmlXPathRegisterNs(xpath_, reinterpret_cast<const xmlChar*>(prefix.c_str()),
                                       reinterpret_cast<const xmlChar*>(uri.c_str())) != 0)
                    throw std::bad_alloc();
        registered_ = bindings;
    }
    return xpath_;
}

} // namespace xmldom
