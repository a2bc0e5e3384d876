// The serialised text of a node: no XML declaration, no indentation, UTF-8.
#pragma once

#include <libxml/tree.h>

#include <string>

namespace xmldom {

// A document gives each of its top-level nodes followed by a line feed; an
// attribute gives name="value". An element whose content uses a namespace
// declared above it gets that declaration on its own start tag, so the text
// stands on its own.
std::string NodeXml(xmlNodePtr node);

} // namespace xmldom
