// XPath 1.0 selection with prefixes bound by the "SelectionNamespaces"
// property. An unprefixed name matches only elements in no namespace.
#pragma once

#include "platform/xml/XmlTree.h"

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xmldom {

// Reads declarations written as attributes are, separated by white space:
//   xmlns:SOAP-ENV='http://schemas.xmlsoap.org/soap/envelope/' xmlns:q="urn:q"
// Anything else (a default namespace, an empty name, a prefix bound twice,
// stray text) gives E_INVALIDARG.
NamespaceBindings ParseSelectionNamespaces(std::string_view text);

// The nodes `expression` selects from `context`, in document order (at most
// one when firstOnly). A malformed expression, an unbound prefix or a result
// that is not a node-set gives E_INVALIDARG. The caller holds the tree lock.
std::vector<xmlNodePtr> SelectNodes(XmlTree& tree, xmlNodePtr context, const std::string& expression,
                                    const std::shared_ptr<const NamespaceBindings>& bindings, bool firstOnly);

} // namespace xmldom
