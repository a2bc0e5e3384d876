// Plain-text helpers that find elements in XML text without parsing it.
// The transport uses them to spot a SOAP fault in a reply; they decode no
// entities and never fail.
#pragma once

#include <string>

namespace XmlStuff {

// Position of the first occurrence of pattern in text at or after from,
// comparing ASCII letters without regard to case; npos when there is none.
// An empty pattern matches at from when from lies inside a non-empty text.
std::string::size_type FindNoCase(const std::string& text, const std::string& pattern,
                                  std::string::size_type from = 0);

// The text of the first element whose start tag begins with "<" + name (so a
// longer name with the same beginning also matches), up to and including its
// end tag; a self-closing element up to its "/>"; the rest of the text when
// neither closes it. Empty text when there is no such start tag.
std::string ExtractElement(const std::string& text, const std::string& name);

// The text between the start tag and the end tag of one element as
// ExtractElement returns it; empty for a self-closing element; the whole
// input when it is not shaped like an element.
std::string InnerText(const std::string& element);

} // namespace XmlStuff
