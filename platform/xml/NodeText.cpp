#include "platform/xml/NodeText.h"

#include "platform/xml/DomError.h"
#include "platform/xml/NodeNames.h"
#include "platform/xml/Utf8Text.h"

#include <memory>
#include <new>

namespace xmldom {

namespace {

struct XmlFreeDeleter {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

xmlNodePtr NewText(xmlDocPtr document, const std::string& text)
{
    // Taken literally: nothing in the text is read as markup or entity.
    xmlNodePtr node = xmlNewDocTextLen(document, Chars(text), static_cast<int>(text.size()));
    if (!node)
        throw std::bad_alloc();
    return node;
}

void LinkLast(xmlNodePtr parent, xmlNodePtr child)
{
    child->parent = parent;
    child->prev = parent->last;
    child->next = nullptr;
    if (parent->last)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

// An attribute's value lives in its text children, which no node object
// ever refers to: they are replaced outright.
void SetAttributeValue(xmlAttrPtr attribute, const std::string& value)
{
    xmlNodePtr text = NewText(attribute->doc, value);
    xmlFreeNodeList(attribute->children);
    attribute->children = attribute->last = nullptr;
    LinkLast(reinterpret_cast<xmlNodePtr>(attribute), text);
}

bool IsNamespaceDeclaration(const std::string& name)
{
    return name == "xmlns" || name.starts_with("xmlns:");
}

std::string_view DeclaredPrefix(const std::string& name)
{
    return name == "xmlns" ? std::string_view() : std::string_view(name).substr(6);
}

xmlNsPtr OwnDeclaration(xmlNodePtr element, const std::string& name)
{
    if (!IsNamespaceDeclaration(name))
        return nullptr;
    std::string_view prefix = DeclaredPrefix(name);
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next)
        if (View(ns->prefix) == prefix && (ns->prefix || prefix.empty()))
            return ns;
    return nullptr;
}

xmlAttrPtr FindAttribute(xmlNodePtr element, const std::string& name)
{
    for (xmlAttrPtr attribute = element->properties; attribute; attribute = attribute->next)
        if (QualifiedName(reinterpret_cast<xmlNodePtr>(attribute)) == name)
            return attribute;
    return nullptr;
}

} // namespace

std::string NodeText(xmlNodePtr node)
{
    std::unique_ptr<xmlChar, XmlFreeDeleter> content(xmlNodeGetContent(node));
    return std::string(View(content.get()));
}

void SetNodeText(XmlTree& tree, xmlNodePtr node, const std::string& text)
{
    switch (node->type) {
    case XML_ELEMENT_NODE: {
        xmlNodePtr replacement = text.empty() ? nullptr : NewText(node->doc, text);
        while (xmlNodePtr child = node->children) {
            xmlUnlinkNode(child);
            tree.KeepDetached(child);
        }
        if (replacement)
            LinkLast(node, replacement);
        return;
    }
    case XML_ATTRIBUTE_NODE:
        SetAttributeValue(reinterpret_cast<xmlAttrPtr>(node), text);
        return;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        xmlNodeSetContentLen(node, Chars(text), static_cast<int>(text.size()));
        return;
    default:
        throw DomError(E_FAIL, "The text of this kind of node cannot be set");
    }
}

std::optional<std::string> GetAttribute(xmlNodePtr element, const std::string& qualifiedName)
{
    if (xmlAttrPtr attribute = FindAttribute(element, qualifiedName))
        return NodeText(reinterpret_cast<xmlNodePtr>(attribute));
    if (xmlNsPtr ns = OwnDeclaration(element, qualifiedName))
        return std::string(View(ns->href));
    return std::nullopt;
}

void SetAttribute(xmlNodePtr element, const std::string& qualifiedName, const std::string& value)
{
    if (!IsValidQualifiedName(qualifiedName))
        throw DomError(E_INVALIDARG, "'" + qualifiedName + "' is not a valid attribute name");
    if (xmlAttrPtr attribute = FindAttribute(element, qualifiedName)) {
        SetAttributeValue(attribute, value);
        return;
    }
    if (xmlNsPtr ns = OwnDeclaration(element, qualifiedName)) {
        // Nodes of the document are bound to the declared namespace; it
        // cannot change under them.
        if (View(ns->href) != value)
            throw DomError(E_FAIL, "The namespace declaration " + qualifiedName + " cannot be changed");
        return;
    }
    // The name is kept as written (a declaration "xmlns:ns1" included), so
    // the element serialises exactly as it was built.
    if (!xmlNewProp(element, Chars(qualifiedName), Chars(value)))
        throw std::bad_alloc();
}

} // namespace xmldom
