// Building trees: new nodes and appending children.
#pragma once

#include "platform/xml/XmlTree.h"

#include <libxml/tree.h>

#include <string>

namespace xmldom {

// A new element named exactly as given, not yet in the tree; E_INVALIDARG
// for a name that is no qualified name.
xmlNodePtr CreateElement(XmlTree& tree, const std::string& qualifiedName);
// A new text node, not yet in the tree.
xmlNodePtr CreateText(XmlTree& tree, const std::string& text);

// Moves `child` (from wherever it is in the same tree, the caller checks) to the end of
// `parent`'s children. Refused with E_FAIL: a parent that cannot hold
// children, a child of a kind that cannot go there, a second top-level
// element, a child that is the parent or one of its ancestors, nesting
// deeper than kMaxElementDepth.
void AppendChild(xmlNodePtr parent, xmlNodePtr child);

} // namespace xmldom
