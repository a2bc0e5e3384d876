// Parsing text into a tree, safely: replies come from the network.
//
// Policy: nothing is ever fetched (no network, no external DTD or entity);
// a document type declaration is refused outright, before anything in it is
// read, so no entity can be declared and none can be expanded (SOAP messages
// must not carry one anyway); element nesting is bounded by
// kMaxElementDepth; a document must be well-formed and namespace-well-formed.
// Text nodes and attribute values have no size limit beyond memory.
#pragma once

#include "platform/Types.h"
#include "platform/xml/XmlTree.h"

#include <memory>
#include <string>
#include <string_view>

namespace xmldom {

// Parse error codes: libxml2's error number below this base, our own
// refusals at its top.
constexpr uint32_t kParseErrorBase = 0xA00D0000u;
constexpr LONG ParseErrorCode(uint32_t number) { return static_cast<LONG>(kParseErrorBase | (number & 0xFFFFu)); }
constexpr LONG kDocumentTypeRefused = ParseErrorCode(0xF001);
constexpr LONG kNestingTooDeep = ParseErrorCode(0xF002);
constexpr LONG kDocumentTooLarge = ParseErrorCode(0xF003);

struct ParseFailure {
    LONG code = 0;
    LONG line = 0;
    LONG linepos = 0;
    std::string reason; // UTF-8, no trailing line break
};

struct ParseOutcome {
    std::shared_ptr<XmlTree> tree; // null when the text was refused
    ParseFailure failure;
};

ParseOutcome ParseDocument(std::string_view utf8);

} // namespace xmldom
