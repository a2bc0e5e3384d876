#include "platform/xml/TreeEdit.h"

#include "platform/xml/DomError.h"
#include "platform/xml/NodeNames.h"
#include "platform/xml/Utf8Text.h"
#include "platform/xml/XmlLimits.h"

#include <new>

namespace xmldom {

namespace {

// Elements from `node` up to the top, `node` included when it is one.
int ElementDepth(xmlNodePtr node)
{
    int depth = 0;
    for (; node; node = node->parent)
        if (node->type == XML_ELEMENT_NODE)
            ++depth;
    return depth;
}

// Levels of elements in the subtree of `root` (0 when it is no element);
// a walk without recursion. Only elements have children here, so a node's
// level in the walk is its element level.
int SubtreeHeight(xmlNodePtr root)
{
    int height = 0;
    int level = 1;
    xmlNodePtr node = root;
    while (node) {
        if (node->type == XML_ELEMENT_NODE) {
            if (level > height)
                height = level;
            if (node->children) {
                node = node->children;
                ++level;
                continue;
            }
        }
        while (node != root && !node->next) {
            node = node->parent;
            --level;
        }
        node = node == root ? nullptr : node->next;
    }
    return height;
}

bool CanHoldChildren(xmlNodePtr node)
{
    return node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE;
}

bool CanBeChild(xmlNodePtr node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        return true;
    default:
        return false;
    }
}

} // namespace

xmlNodePtr CreateElement(XmlTree& tree, const std::string& qualifiedName)
{
    if (!IsValidQualifiedName(qualifiedName))
        throw DomError(E_INVALIDARG, "'" + qualifiedName + "' is not a valid element name");
    xmlNodePtr element = xmlNewDocNode(tree.Document(), nullptr, Chars(qualifiedName), nullptr);
    if (!element)
        throw std::bad_alloc();
    tree.KeepDetached(element);
    return element;
}

xmlNodePtr CreateText(XmlTree& tree, const std::string& text)
{
    xmlNodePtr node = xmlNewDocTextLen(tree.Document(), Chars(text), static_cast<int>(text.size()));
    if (!node)
        throw std::bad_alloc();
    tree.KeepDetached(node);
    return node;
}

void AppendChild(xmlNodePtr parent, xmlNodePtr child)
{
    if (!CanHoldChildren(parent))
        throw DomError(E_FAIL, "This kind of node cannot have children");
    if (!CanBeChild(child))
        throw DomError(E_FAIL, "This kind of node cannot be appended as a child");
    for (xmlNodePtr above = parent; above; above = above->parent)
        if (above == child)
            throw DomError(E_FAIL, "A node cannot be appended to itself or to one of its descendants");
    if (parent->type == XML_DOCUMENT_NODE) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            throw DomError(E_FAIL, "Text cannot be appended at the top level of a document");
        if (child->type == XML_ELEMENT_NODE) {
            xmlNodePtr root = xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(parent));
            if (root && root != child)
                throw DomError(E_FAIL, "A document can have only one top-level element");
        }
    }
    if (ElementDepth(parent) + SubtreeHeight(child) > kMaxElementDepth)
        throw DomError(E_FAIL, "Elements would be nested deeper than " + std::to_string(kMaxElementDepth) +
                                   " levels");

    // Linked by hand: xmlAddChild would merge adjacent text nodes and free
    // the appended one, which a node object may still refer to.
    if (child->parent)
        xmlUnlinkNode(child);
    child->parent = parent;
    child->prev = parent->last;
    child->next = nullptr;
    if (parent->last)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

} // namespace xmldom
