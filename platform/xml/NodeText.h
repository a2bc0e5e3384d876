// Text content and attribute values.
#pragma once

#include "platform/xml/XmlTree.h"

#include <libxml/tree.h>

#include <optional>
#include <string>

namespace xmldom {

// The concatenated text of the node's descendants (text and CDATA, in
// document order) for a document or element; the value of an attribute; the
// content of text, comments and processing instructions.
std::string NodeText(xmlNodePtr node);

// Replaces the content: an element's children give way to one text node
// (none for empty text); other nodes take the text as their value. The old
// children stay alive, detached, for node objects that still refer to them.
void SetNodeText(XmlTree& tree, xmlNodePtr node, const std::string& text);

// The value of the element's attribute of that qualified name ("xmlns:p"
// also finds the element's own namespace declaration), or nullopt.
std::optional<std::string> GetAttribute(xmlNodePtr element, const std::string& qualifiedName);

// Sets the value of the attribute of that qualified name, adding it after
// the existing ones when the element has none. A name that is no qualified
// name gives E_INVALIDARG.
void SetAttribute(xmlNodePtr element, const std::string& qualifiedName, const std::string& value);

} // namespace xmldom
