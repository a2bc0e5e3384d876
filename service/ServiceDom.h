// The few DOM calls the request pipeline makes, each checked: a failing call
// of the XML document component throws PlatformError with its code and the
// component's error information.
#pragma once

#include "service/XmlStuff.h"

#include <string>
#include <vector>

namespace Tessaly::Dom {

XmlStuff::ElementPtr CreateElement(const XmlStuff::DocumentPtr& document, const std::string& qualifiedName);
void SetAttribute(const XmlStuff::ElementPtr& element, const std::string& name, const std::string& value);
// Appends child as the last child of parent.
void AppendChild(const XmlStuff::ElementPtr& parent, const XmlStuff::ElementPtr& child);
// The element's serialised text (no XML declaration), as ANSI text.
std::string XmlOf(const XmlStuff::ElementPtr& element);
void SetProperty(const XmlStuff::DocumentPtr& document, const std::string& name, const std::string& value);

// XPath selection from a document or from a node: the first match in
// document order, or an empty reference when nothing matches.
XmlStuff::NodePtr SelectSingle(const XmlStuff::DocumentPtr& document, const std::string& xpath);
XmlStuff::NodePtr SelectSingle(const XmlStuff::NodePtr& node, const std::string& xpath);
// Every match in document order.
std::vector<XmlStuff::NodePtr> SelectAll(const XmlStuff::NodePtr& node, const std::string& xpath);

// The concatenated text of the node's descendants, as ANSI text.
std::string TextOf(const XmlStuff::NodePtr& node);
// The node as an element, or an empty reference when it is not one.
XmlStuff::ElementPtr AsElement(const XmlStuff::NodePtr& node);

} // namespace Tessaly::Dom
