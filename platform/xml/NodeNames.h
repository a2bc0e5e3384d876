// Names and kinds of nodes as the DOM reports them.
//
// Elements and attributes created by name keep that name as written
// ("ns1:getQuiz"), so the prefix and local name of such a node come from
// the text of its name; loaded ones carry a resolved namespace.
#pragma once

#include "typelib/TsXmlDom.h"

#include <libxml/tree.h>

#include <string>
#include <string_view>

namespace xmldom {

DOMNodeType DomTypeOf(xmlNodePtr node);

// The qualified name of an element or attribute; "#text", "#document" and
// the like for the other kinds; a processing instruction's target.
std::string NodeName(xmlNodePtr node);
std::string NodePrefix(xmlNodePtr node);
std::string NodeBaseName(xmlNodePtr node);
std::string NodeNamespaceUri(xmlNodePtr node);

// The qualified name of an element or attribute.
std::string QualifiedName(xmlNodePtr node);

// True for a name that may stand as an element or attribute name.
bool IsValidQualifiedName(const std::string& name);

} // namespace xmldom
