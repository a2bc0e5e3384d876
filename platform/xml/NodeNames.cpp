#include "platform/xml/NodeNames.h"

#include "platform/xml/Utf8Text.h"

namespace xmldom {

namespace {

bool HasName(xmlNodePtr node)
{
    return node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE;
}

// The namespace of an element or attribute (the two share this field's place).
xmlNsPtr NamespaceOf(xmlNodePtr node)
{
    return node->type == XML_ATTRIBUTE_NODE ? reinterpret_cast<xmlAttrPtr>(node)->ns : node->ns;
}

} // namespace

DOMNodeType DomTypeOf(xmlNodePtr node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE: return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE: return NODE_ATTRIBUTE;
    case XML_TEXT_NODE: return NODE_TEXT;
    case XML_CDATA_SECTION_NODE: return NODE_CDATA_SECTION;
    case XML_ENTITY_REF_NODE: return NODE_ENTITY_REFERENCE;
    case XML_ENTITY_NODE: return NODE_ENTITY;
    case XML_PI_NODE: return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE: return NODE_COMMENT;
    case XML_DOCUMENT_NODE: return NODE_DOCUMENT;
    case XML_DOCUMENT_TYPE_NODE:
    case XML_DTD_NODE: return NODE_DOCUMENT_TYPE;
    case XML_DOCUMENT_FRAG_NODE: return NODE_DOCUMENT_FRAGMENT;
    case XML_NOTATION_NODE: return NODE_NOTATION;
    default: return NODE_INVALID;
    }
}

std::string QualifiedName(xmlNodePtr node)
{
    std::string name(View(node->name));
    xmlNsPtr ns = NamespaceOf(node);
    if (ns && ns->prefix)
        return std::string(View(ns->prefix)) + ":" + name;
    return name;
}

std::string NodeName(xmlNodePtr node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: return QualifiedName(node);
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    case XML_DOCUMENT_NODE: return "#document";
    case XML_DOCUMENT_FRAG_NODE: return "#document-fragment";
    default: return std::string(View(node->name));
    }
}

std::string NodePrefix(xmlNodePtr node)
{
    if (!HasName(node))
        return {};
    if (xmlNsPtr ns = NamespaceOf(node))
        return std::string(View(ns->prefix));
    std::string_view name = View(node->name);
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon));
}

std::string NodeBaseName(xmlNodePtr node)
{
    if (!HasName(node))
        return node->type == XML_PI_NODE ? std::string(View(node->name)) : std::string();
    std::string_view name = View(node->name);
    if (NamespaceOf(node))
        return std::string(name);
    size_t colon = name.find(':');
    return std::string(colon == std::string_view::npos ? name : name.substr(colon + 1));
}

std::string NodeNamespaceUri(xmlNodePtr node)
{
    if (!HasName(node))
        return {};
    xmlNsPtr ns = NamespaceOf(node);
    return ns ? std::string(View(ns->href)) : std::string();
}

bool IsValidQualifiedName(const std::string& name)
{
    return !name.empty() && xmlValidateQName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

} // namespace xmldom
