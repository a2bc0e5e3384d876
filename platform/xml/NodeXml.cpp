#include "platform/xml/NodeXml.h"

#include "platform/xml/XmlTree.h"

#include <libxml/xmlsave.h>

#include <memory>
#include <new>
#include <unordered_set>

namespace xmldom {

namespace {

struct BufferDeleter {
    void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};
struct DocumentDeleter {
    void operator()(xmlDocPtr document) const { xmlFreeDoc(document); }
};

std::string Save(xmlNodePtr node)
{
    std::unique_ptr<xmlBuffer, BufferDeleter> buffer(xmlBufferCreate());
    if (!buffer)
        throw std::bad_alloc();
    // With an encoding named, characters are written as themselves rather
    // than as character references.
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL | XML_SAVE_AS_XML);
    if (!save)
        throw std::bad_alloc();
    const long written = xmlSaveTree(save, node);
    xmlSaveClose(save);
    if (written < 0)
        throw std::bad_alloc();
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<size_t>(xmlBufferLength(buffer.get())));
}

bool IsXmlNamespace(xmlNsPtr ns)
{
    return ns->prefix && xmlStrEqual(ns->prefix, reinterpret_cast<const xmlChar*>("xml"));
}

// True when some element or attribute below `root` (itself included) uses a
// namespace that is not declared inside that subtree. A walk without
// recursion: depth is bounded, but need not cost stack.
bool UsesOuterNamespace(xmlNodePtr root)
{
    std::unordered_set<xmlNsPtr> declared;
    auto outside = [&](xmlNsPtr ns) { return ns && !IsXmlNamespace(ns) && !declared.contains(ns); };
    xmlNodePtr node = root;
    while (node) {
        if (node->type == XML_ELEMENT_NODE) {
            for (xmlNsPtr ns = node->nsDef; ns; ns = ns->next)
                declared.insert(ns);
            if (outside(node->ns))
                return true;
            for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next)
                if (outside(attribute->ns))
                    return true;
            if (node->children) {
                node = node->children;
                continue;
            }
        }
        while (node != root && !node->next)
            node = node->parent;
        node = node == root ? nullptr : node->next;
    }
    return false;
}

// A copy in a document of its own declares, on its top element, every
// namespace the copied nodes use from outside them.
std::string SaveSelfContained(xmlNodePtr element)
{
    std::unique_ptr<xmlDoc, DocumentDeleter> scratch(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    if (!scratch)
        throw std::bad_alloc();
    MarkUtf8(scratch.get());
    xmlNodePtr copy = xmlDocCopyNode(element, scratch.get(), 1);
    if (!copy)
        throw std::bad_alloc();
    xmlDocSetRootElement(scratch.get(), copy);
    return Save(copy);
}

} // namespace

std::string NodeXml(xmlNodePtr node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
        return UsesOuterNamespace(node) ? SaveSelfContained(node) : Save(node);
    case XML_ATTRIBUTE_NODE: {
        std::string text = Save(node); // " name=\"value\""
        if (!text.empty() && text.front() == ' ')
            text.erase(0, 1);
        return text;
    }
    default:
        return Save(node);
    }
}

} // namespace xmldom
